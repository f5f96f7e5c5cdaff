#!/usr/bin/env python3
"""Reads a log file as a spreadsheet's CSV reader does (Python's csv module,
RFC 4180 quoting) and prints its records as JSON: a list of fields a record.
The log's bytes are Latin-1."""
import csv
import json
import sys

with open(sys.argv[1], newline="", encoding="latin-1") as log:
    print(json.dumps(list(csv.reader(log))))
