"""The end-to-end scripts' way of reporting: a line per check, then the
"e2e: N passed, M failed" summary that test.sh counts."""

passed = failed = 0


def check(what, condition, details=()):
    global passed, failed
    if condition:
        passed += 1
        print(f"ok   - {what}")
    else:
        failed += 1
        print(f"FAIL - {what}")
        for line in details:
            print(f"       {line}")


def summary():
    """Prints the summary; the exit code for it."""
    print(f"e2e: {passed} passed, {failed} failed")
    return 1 if failed else 0
