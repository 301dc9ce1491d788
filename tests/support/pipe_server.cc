// pipe_server: serves a file to one client of a named pipe, then
// disconnects it as servers usually do, so that the client's next read
// fails with ERROR_PIPE_NOT_CONNECTED rather than ERROR_BROKEN_PIPE.
//
//   pipe_server PIPE_NAME FILE READY_FILE
//
// READY_FILE is made once the pipe exists, so that a client started after
// it appears finds the pipe.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  std::ifstream in(argv[2], std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in),
                          std::istreambuf_iterator<char>()};
  const HANDLE pipe = CreateNamedPipeW(argv[1], PIPE_ACCESS_OUTBOUND,
                                       PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                       65536, 65536, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return 1;
  std::ofstream(argv[3]) << "ready\n";
  if (!ConnectNamedPipe(pipe, nullptr) &&
      GetLastError() != ERROR_PIPE_CONNECTED) {
    return 1;
  }
  DWORD put = 0;
  if (!WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &put,
                 nullptr) ||
      put != bytes.size()) {
    return 1;
  }
  FlushFileBuffers(pipe);
  DisconnectNamedPipe(pipe);
  CloseHandle(pipe);
  return 0;
}
