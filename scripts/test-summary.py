#!/usr/bin/env python3
"""Sums the JUnit files the test programs wrote: one line per kind, failures listed."""
import glob
import os
import sys
import xml.etree.ElementTree as ET

failed = False
print("== test counts")
for folder in sys.argv[1:]:
    for path in sorted(glob.glob(os.path.join(folder, "*.xml"))):
        root = ET.parse(path).getroot()
        tests = int(root.get("tests", 0))
        failures = int(root.get("failures", 0)) + int(root.get("errors", 0))
        disabled = int(root.get("disabled", 0))
        kind = os.path.splitext(os.path.basename(path))[0]
        print(f"{kind:8} {tests:5} tests, {failures} failed, {disabled} disabled")
        failed = failed or failures > 0
sys.exit(1 if failed else 0)
