"""The desktop file or the metainfo as built: its validator passes, and it holds its texts in
every language of po/LINGUAS (each list of keywords a ";"-list, each paragraph of the
description once per language). Usage: check_translations.py desktop|metainfo FILE LINGUAS
VALIDATOR..."""

import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

kind, path, linguas_path = sys.argv[1:4]
validator = sys.argv[4:]
languages = [code for line in open(linguas_path, encoding="utf-8")
             for code in line.split("#")[0].split()]
problems = []
checked = subprocess.run(validator + [path], capture_output=True, text=True)
if checked.returncode != 0:
    problems.append("%s: %s%s" % (" ".join(validator), checked.stdout, checked.stderr))

if kind == "desktop":
    entries = dict(re.findall(r"^([A-Za-z]+(?:\[[A-Za-z_@]+\])?)=(.*)$",
                              open(path, encoding="utf-8").read(), re.M))
    for key in ("Name", "GenericName", "Comment", "Keywords"):
        for code in languages:
            value = entries.get("%s[%s]" % (key, code), "")
            if not value:
                problems.append("no %s[%s]" % (key, code))
            elif key == "Keywords" and (not value.endswith(";") or ";;" in value
                                        or re.search(r"\s;|;\s", value)):
                problems.append("Keywords[%s] is no list: %s" % (code, value))
    if entries.get("GenericName[de]") == entries.get("GenericName"):
        problems.append("GenericName[de] is the English one")
else:
    lang = "{http://www.w3.org/XML/1998/namespace}lang"
    root = ElementTree.parse(path).getroot()
    paths = ["name", "summary", "description/p", "description/ul/li",
             "screenshots/screenshot/caption", "releases/release/description/p"]
    for element in paths:
        found = root.findall(element)
        english = sum(1 for e in found if lang not in e.attrib)
        for code in languages:
            count = sum(1 for e in found if e.get(lang) == code)
            if count != english:
                problems.append("%s: %d in %s, %d in English" % (element, count, code, english))
    german = [e.text for e in root.findall("summary") if e.get(lang) == "de"]
    if german != ["Öffne die Kästchen, finde die Paare"]:
        problems.append("the German summary is %r" % german)

for problem in problems:
    print(problem)
print("%s: %d languages checked, %d problems" % (path, len(languages), len(problems)))
sys.exit(1 if problems else 0)
