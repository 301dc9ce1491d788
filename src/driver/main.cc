#include "driver/run_conversion.h"

int main(int argc, char** argv) {
  if (argc != 2) return logvane::report_usage();
  return logvane::run_conversion(argv[1]);
}
