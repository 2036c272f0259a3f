#!/usr/bin/env python3
"""Says which Windows builds the Wine tests ran end to end, and what was skipped and why.

    test_report.py RESULTS.xml

RESULTS.xml: what `ctest --output-junit` wrote. The tests are named "<build>.<suite>.<test>",
<build> being x86, x64, x86-files or x86-emulated; the reason of a skip is the text that GoogleTest
prints after "Skipped".
"""

import collections
import sys
import xml.etree.ElementTree as ET

BUILDS = {
    "x86": "the 32-bit build (build/windows), natively, in a 64-bit prefix",
    "x64": "the 64-bit build (build/windows64), in a 64-bit prefix",
    "x86-files": "the 32-bit build's files (headers, signature, packing), read without running it",
    "x86-emulated": "the signed 32-bit installer under qemu-i386 emulation, as on 64-bit Windows",
}


def skip_reason(output):
    lines = output.splitlines()
    for at, line in enumerate(lines):
        if line.endswith(": Skipped"):
            reason = []
            for text in lines[at + 1:]:
                if text.startswith("[  SKIPPED ]"):
                    break
                reason.append(text.strip())
            return " ".join(reason) or "no reason given"
    return "no reason given"


def main(path):
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as error:
        print(f"\nNo Wine test results to report ({error}).")
        return 1
    counts = collections.defaultdict(collections.Counter)
    skipped = []
    for case in root.iter("testcase"):
        name = case.get("name", "")
        build = name.split(".", 1)[0] if name.split(".", 1)[0] in BUILDS else "other"
        if case.find("skipped") is not None:
            outcome = "skipped"
            output = case.findtext("system-out") or ""
            skipped.append((name, skip_reason(output)))
        elif case.find("failure") is not None or case.get("status") == "fail":
            outcome = "failed"
        else:
            outcome = "passed"
        counts[build][outcome] += 1

    print("\nTested end to end under Wine:")
    for build, description in BUILDS.items():
        if build not in counts:
            continue
        c = counts[build]
        print(f"  {description}: {c['passed']} passed, {c['failed']} failed, "
              f"{c['skipped']} skipped")
    if "other" in counts:
        c = counts["other"]
        print(f"  set-up and helper checks: {c['passed']} passed, {c['failed']} failed")
    if skipped:
        print("Skipped:")
        for name, reason in skipped:
            print(f"  {name}: {reason}")
    else:
        print("Nothing was skipped.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
