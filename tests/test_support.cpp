#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include "support/drive_map.h"
#endif

#include "support/replacement_file.h"

namespace voltrak::testing {

ScratchFolder::ScratchFolder() {
  static std::atomic<unsigned> counter{0};
#ifdef _WIN32
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  for (;;) {
    std::string candidate = std::string(temp) + "voltrak-test-" +
                            std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(counter++);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      nativePath_ = windowsPath_ = candidate;
      break;
    }
  }
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "voltrak-test-XXXXXX").string();
  ++counter;
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no scratch folder";
  nativePath_ = pattern;
  windowsPath_ = ToWindowsPath(pattern);
#endif
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(nativePath_, ignored);
}

std::string ScratchFolder::operator/(std::string_view relative) const {
  return windowsPath_ + "\\" + std::string(relative);
}

void ScratchFolder::Write(std::string_view relative, std::string_view bytes) const {
  ASSERT_EQ(WriteWholeFile(SystemFileSystem(), *this / relative, bytes), 0u)
      << "cannot write " << relative;
}

std::string ScratchFolder::Native(std::string_view relative) const {
  std::string path = nativePath_ + "/" + std::string(relative);
#ifndef _WIN32
  std::replace(path.begin(), path.end(), '\\', '/');
#endif
  return path;
}

std::string ScratchFolder::Repaired(std::string_view relative) const {
#ifdef _WIN32
  return *this / relative;
#else
  return Native(relative);
#endif
}

void ScratchFolder::CreateFolder(std::string_view relative) const {
  ASSERT_EQ(SystemFileSystem().CreateFolder(*this / relative), 0u) << relative;
}

std::string ScratchFolder::Read(std::string_view relative) const {
  std::string contents;
  EXPECT_EQ(ReadWholeFile(SystemFileSystem(), *this / relative, &contents), 0u) << relative;
  return contents;
}

std::string TrackBytes(size_t size, std::string_view title, std::string_view artist) {
  std::string bytes(size, 'x');
  if (!title.empty() && size >= 128) {
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    tag.replace(3, std::min<size_t>(30, title.size()), title.substr(0, 30));
    tag.replace(33, std::min<size_t>(30, artist.size()), artist.substr(0, 30));
    bytes.replace(size - 128, 128, tag);
  }
  return bytes;
}

MP3Information RecordOf(std::string_view path, std::string_view title, std::string_view artist,
                        std::string_view album) {
  MP3Information record;
  record.SetTexts(std::nullopt, path);
  if (!title.empty() || !artist.empty() || !album.empty()) {
    Id3v1Block tag{};
    std::copy_n("TAG", 3, tag.begin());
    // Copied, not memcpy'd: an empty view may have no data at all.
    std::copy_n(title.begin(), std::min<size_t>(30, title.size()), tag.begin() + kTagTitleOffset);
    std::copy_n(artist.begin(), std::min<size_t>(30, artist.size()), tag.begin() + kTagArtistOffset);
    std::copy_n(album.begin(), std::min<size_t>(30, album.size()), tag.begin() + kTagAlbumOffset);
    record.SetTag(tag);
  }
  return record;
}

void ScriptedLoadHost::SetTitle(std::string_view title) {
  Calls.push_back("title " + std::string(title));
}

void ScriptedLoadHost::ProgressStart(uint32_t count) {
  Calls.push_back("progress " + std::to_string(count));
}

int ScriptedLoadHost::ShowMessage(std::string_view text, std::string_view caption, uint32_t style,
                                 bool owned) {
  Calls.push_back("box [" + std::string(caption) + "] " + std::string(text) + " style " +
                  std::to_string(style) + (owned ? "" : " unowned"));
  if (Answers.empty()) return kAnswerOk;
  int answer = Answers.front();
  Answers.pop_front();
  return answer;
}

void ScriptedLoadHost::ReportSystemError(uint32_t code, unsigned, const char*) {
  Calls.push_back("system error " + std::to_string(code));
}

bool ScriptedLoadHost::OfferRewrite(std::string_view caption) {
  Calls.push_back("offer rewrite [" + std::string(caption) + "]");
  return TakeRewrite;
}

DuplicateAnswer ScriptedLoadHost::AskAboutDuplicate(const EntryRef& first, const EntryRef& second) {
  Calls.push_back("ask " + std::to_string(first.Index) + " " + std::to_string(second.Index));
  if (DuplicateAnswers.empty()) return DuplicateAnswer::kKeepBoth;
  DuplicateAnswer answer = DuplicateAnswers.front();
  DuplicateAnswers.pop_front();
  return answer;
}

void ScriptedLoadHost::Trace(std::string_view line) { Calls.push_back("trace " + std::string(line)); }

std::vector<std::string> ScriptedLoadHost::CallsStartingWith(std::string_view prefix) const {
  std::vector<std::string> found;
  for (const std::string& call : Calls) {
    if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
  }
  return found;
}

}  // namespace voltrak::testing
