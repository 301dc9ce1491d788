# Counts the tests in ctest's output, of one suite or of several, as one
# line: "SUITE: N ran, N passed, N failed, N skipped".
#   awk -v suite=NAME [-v retries=FILE] -f tests/ctest-summary.awk OUTPUT...
# With retries, FILE names the runs that Wine itself failed and that were
# made once more: each is listed, and the line ends with their count.
# ctest's summary: "100% tests passed, 0 tests failed out of 84"; the
# browser suite's: "web: 45 passed, 0 failed".
/tests passed, [0-9]+ tests? failed out of/ { total += $NF; failed += $4 }
/^web: [0-9]+ passed, [0-9]+ failed$/ { total += $2 + $4; failed += $4 }
/^[[:space:]]+[0-9]+ - .*\(Skipped\)$/ { skipped++ }
END {
  made_again = ""
  if (retries != "") {
    count = 0
    while ((getline run < retries) > 0)
      if (!(run in seen)) {
        seen[run] = 1; count++
        print "made again after Wine failed: " run
      }
    made_again = ", " count " made again after Wine failed"
  }
  printf "%s: %d ran, %d passed, %d failed, %d skipped%s\n", suite,
         total - skipped, total - failed - skipped, failed, skipped,
         made_again
}
