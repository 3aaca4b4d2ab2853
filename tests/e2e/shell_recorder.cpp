// Stands in for whatever the desktop would open: registered in the test
// prefix as the handler of web pages, playlists, folders and web addresses,
// it appends "KIND ARGUMENT" to the log the test named in its environment.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  char log[MAX_PATH];
  if (!GetEnvironmentVariableA("VOLTRAK_E2E_SHELL_LOG", log, sizeof log)) return 1;
  // The registered commands read `"recorder" KIND "%1"`: drop the quotes the
  // shell put around the argument so the log holds the path as it was given.
  char line[2 * MAX_PATH + 64] = {0};
  size_t out = 0;
  for (const char* in = commandLine; *in && out + 1 < sizeof line; ++in) {
    if (*in != '"') line[out++] = *in;
  }
  // Several handlers may finish at once: open for appending, retrying while
  // another holds the file.
  for (int attempt = 0; attempt < 100; ++attempt) {
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, line, static_cast<DWORD>(out), &written, nullptr);
      WriteFile(file, "\r\n", 2, &written, nullptr);
      CloseHandle(file);
      return 0;
    }
    Sleep(20);
  }
  return 1;
}
