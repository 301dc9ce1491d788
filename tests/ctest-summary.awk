# Counts the tests in ctest's output, of one suite or of several, as one
# line: "SUITE: N ran, N passed, N failed, N skipped", where the skipped
# part tells the long sweeps, which are skipped unless asked for, from the
# others: "4 long sweeps skipped (LOGVANE_LONG_TESTS=1 runs them)", then
# "N others skipped (reasons above)". The reasons come from run-all.sh's
# lines "skipped NAME: REASON" in the same output.
#   awk -v suite=NAME [-v retries=FILE] -f tests/ctest-summary.awk OUTPUT...
# With retries, FILE names the runs that Wine itself failed and that were
# made once more: each is listed, and the line ends with their count.
# ctest's summary: "100% tests passed, 0 tests failed out of 84"; the
# browser suite's: "web: 45 passed, 0 failed".
/tests passed, [0-9]+ tests? failed out of/ { total += $NF; failed += $4 }
/^web: [0-9]+ passed, [0-9]+ failed$/ { total += $2 + $4; failed += $4 }
/^[[:space:]]+[0-9]+ - .*\(Skipped\)$/ { skipped++ }
/^skipped [^ ]+: .*LOGVANE_LONG_TESTS=1/ { long++ }
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
  skipped += 0; long += 0
  others = skipped - long
  if (long > 0) {
    skips = long " long sweeps skipped (LOGVANE_LONG_TESTS=1 runs them)"
    if (others > 0)
      skips = skips ", " others (others == 1 ? " other" : " others") \
              " skipped (reasons above)"
  } else {
    skips = skipped " skipped" (skipped > 0 ? " (reasons above)" : "")
  }
  printf "%s: %d ran, %d passed, %d failed, %s%s\n", suite,
         total - skipped, total - failed - skipped, failed, skips,
         made_again
}
