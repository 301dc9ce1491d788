#include "driver/run_conversion.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  logvane::prepare_process();
  if (argc != 2) return logvane::report_usage();
  return logvane::run_conversion(argv[1]);
}
