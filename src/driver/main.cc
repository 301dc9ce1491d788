#include "driver/run_conversion.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  logvane::prepare_process();
  const logvane::CommandLine line = logvane::read_command_line(argc, argv);
  if (line.count != 1) return logvane::report_usage();
  if (line.first == nullptr) return logvane::report_unread_path(line.error);
  return logvane::run_conversion(line.first);
}
