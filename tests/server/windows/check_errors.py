"""Checks what errors.vbs printed: NAME|NUMBER|DESCRIPTION per case.
Usage: /usr/bin/python3 check_errors.py OUTPUT"""
import sys

OBJECT_ERROR = -2147221504  # vbObjectError


def main():
    cases = {}
    with open(sys.argv[1], encoding="utf-8", errors="replace") as output:
        for line in output:
            parts = line.rstrip("\n").split("|", 2)
            if len(parts) >= 2:
                cases[parts[0]] = parts[1:]
    problems = []

    def expect(name, number=None, description=None, nonzero=False):
        if name not in cases:
            problems.append("%s: not reported" % name)
            return
        got = cases[name]
        if number is not None and got[0] != str(number):
            problems.append("%s: number %s, expected %s" % (name, got[0], number))
        if nonzero and got[0] in ("0", ""):
            problems.append("%s: no error was raised" % name)
        text = got[1] if len(got) > 1 else ""
        if description is not None and description not in text:
            problems.append("%s: description %r lacks %r" % (name, text, description))
        if (nonzero or number not in (None, "False")) and not text:
            problems.append("%s: no description" % name)

    expect("missing-file", number="False")
    expect("row-zero", nonzero=True)
    # The number always comes through; the description too where the script engine gives it to
    # callers (Wine's VBScript returns the bare error code without one).
    expect("recordset-error", number=OBJECT_ERROR + 77)
    text = cases.get("recordset-error", ["", ""])[-1]
    if "the fields cannot be counted" not in text and text != "Count failed":
        problems.append("recordset-error: description %r is neither the recordset's nor the call's" % text)
    expect("not-a-recordset", number=13, description="recordset")
    expect("unknown-member", number=438)
    for problem in problems:
        print(problem, file=sys.stderr)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
