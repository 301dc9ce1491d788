# Counts the tests in ctest's output, of one suite or of several, as one
# line: "SUITE: N ran, N passed, N failed, N skipped".
#   awk -v suite=NAME -f tests/ctest-summary.awk CTEST_OUTPUT...
# ctest's summary: "100% tests passed, 0 tests failed out of 84".
/tests passed, [0-9]+ tests? failed out of/ { total += $NF; failed += $4 }
/^[[:space:]]+[0-9]+ - .*\(Skipped\)$/ { skipped++ }
END {
  printf "%s: %d ran, %d passed, %d failed, %d skipped\n", suite,
         total - skipped, total - failed - skipped, failed, skipped
}
