#include "app/clipboard_print.h"

#include <commdlg.h>

#include <cstring>

#include "outputs/printout.h"
#include "support/unique_handle.h"

namespace voltrak {
namespace {

// One movable block, shared as the clipboard wants it, until the clipboard
// takes it.
class ClipboardBlock : public TextBlockHost {
 public:
  char* Allocate(size_t size) override {
    memory_.Reset(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size));
    if (!memory_) return nullptr;
    return static_cast<char*>(GlobalLock(memory_.Get()));
  }
  // From here on the block is the clipboard's; one it refused is freed here.
  void HandOver(HWND window) {
    GlobalUnlock(memory_.Get());
    OpenClipboard(window);
    EmptyClipboard();
    if (SetClipboardData(CF_TEXT, memory_.Get())) memory_.Release();
    CloseClipboard();
  }

 private:
  GlobalMemory memory_;
};

void SayNoMemory(HWND window) {
  MessageBoxA(window, kNoClipboardMemoryText, kNoClipboardMemoryCaption, MB_OK | MB_ICONWARNING);
}

// The printer as the core's page layout sees it.
class PrinterSurface : public PrintSurface {
 public:
  PrinterSurface(HDC printer, const std::function<void()>& betweenPages)
      : printer_(printer), betweenPages_(betweenPages) {}
  void StartPage() override { ::StartPage(printer_); }
  void DrawLine(int x, int y, std::string_view text) override {
    TextOutA(printer_, x, y, text.data(), static_cast<int>(text.size()));
  }
  void EndPage() override {
    ::EndPage(printer_);
    if (betweenPages_) betweenPages_();
  }

 private:
  HDC printer_;
  const std::function<void()>& betweenPages_;
};

}  // namespace

void CopyListText(HWND window, ListTextShape shape, const Playlist& playlist,
                  std::string_view playlistPath) {
  ClipboardBlock block;
  switch (WriteListText(shape, playlist, playlistPath, block)) {
    case ListTextResult::kWritten: block.HandOver(window); break;
    case ListTextResult::kNoBlock: SayNoMemory(window); break;
    case ListTextResult::kNoList:
    case ListTextResult::kNoWorkArray: break;
  }
}

void CopyText(HWND window, std::string_view text) {
  ClipboardBlock block;
  char* bytes = block.Allocate(text.size() + 1);
  if (bytes == nullptr) {
    SayNoMemory(window);
    return;
  }
  std::memcpy(bytes, text.data(), text.size());
  bytes[text.size()] = '\0';
  block.HandOver(window);
}

void PrintPlaylist(HWND window, const Playlist& playlist, const char* documentName,
                   const std::function<void()>& betweenPages) {
  PRINTDLGA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_HIDEPRINTTOFILE;
  dialog.nCopies = 1;
  BOOL chosen = PrintDlgA(&dialog);
  GlobalMemory mode(dialog.hDevMode), names(dialog.hDevNames);
  DeviceContext printer(dialog.hDC);
  if (!chosen || !printer) return;

  DOCINFOA document = {};
  document.cbSize = sizeof document;
  document.lpszDocName = documentName;
  if (StartDocA(printer.Get(), &document) <= 0) return;
  HGDIOBJ previousFont = SelectObject(printer.Get(), GetStockObject(ANSI_FIXED_FONT));
  TEXTMETRICA metrics = {};
  GetTextMetricsA(printer.Get(), &metrics);
  PrinterSurface surface(printer.Get(), betweenPages);
  PrintList(playlist, GetDeviceCaps(printer.Get(), VERTRES), metrics.tmHeight, surface);
  SelectObject(printer.Get(), previousFont);
  EndDoc(printer.Get());
}

}  // namespace voltrak
