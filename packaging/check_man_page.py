"""The man page names every option that `tessary --help` lists, and groff reads it without a
warning. Usage: check_man_page.py PAGE.6.gz TESSARY"""

import gzip
import re
import subprocess
import sys

page_path, binary = sys.argv[1:3]
page = gzip.open(page_path, "rt", encoding="utf-8").read()
usage = subprocess.run([binary, "--help"], capture_output=True, text=True, check=True).stdout
options = re.findall(r"^  --([a-z-]+)", usage, re.M)
problems = []
if not options:
    problems.append("--help lists no option")
for name in options:
    if "\\-\\-" + name.replace("-", "\\-") not in page:
        problems.append("the man page lacks --%s" % name)
rendered = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-z"], input=page,
                          capture_output=True, text=True)
if rendered.returncode != 0 or rendered.stderr.strip():
    problems.append("groff: " + rendered.stderr.strip())
for problem in problems:
    print(problem)
print("%d options checked, %d problems" % (len(options), len(problems)))
sys.exit(1 if problems else 0)
