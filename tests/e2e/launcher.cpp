// Starts a program with an exact command line and hands back its exit code.
//
//   launcher.exe PROGRAM [TAIL]
//
// The child's command line is "PROGRAM" TAIL (one blank between), so TAIL reaches the
// program's WinMain byte for byte: wine would quote an argument with blanks itself.
// Without TAIL the line is the quoted program name alone. The exit code is the
// child's; 255 when it could not be started.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::printf("usage: launcher PROGRAM [TAIL]\n");
    return 255;
  }
  std::string line = std::string("\"") + argv[1] + "\"";
  if (argc == 3) line += std::string(" ") + argv[2];
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(argv[1], &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::printf("launcher: CreateProcess failed, error %lu\n", GetLastError());
    return 255;
  }
  std::printf("launcher: pid %lu, command line [%s]\n", process.dwProcessId, line.c_str());
  std::fflush(stdout);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 255;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("launcher: exit code %lu\n", code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
