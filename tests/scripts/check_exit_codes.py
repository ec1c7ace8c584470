"""Holds scripts/run.sh's exit-code meanings and README.md's exit-code table to
app/exit_codes.h, where each code and its meaning stand once.
    check_exit_codes.py SOURCE_DIR
Prints every difference; exits 1 when there is one."""
import re
import sys

STRING = r'"(?:[^"\\]|\\.)*"'


def unquote(literals):
    """The text of adjacent C string literals, escapes resolved."""
    parts = re.findall(STRING, literals)
    return "".join(p[1:-1].encode("utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")
                   for p in parts)


def from_header(text):
    numbers = {name: int(value) for name, value in re.findall(r"\b(EXIT_\w+)\s*=\s*(\d+)\s*,", text)}
    rows = re.findall(r"\{\s*(EXIT_\w+)\s*,\s*((?:%s\s*)+),\s*((?:%s\s*)+)\}" % (STRING, STRING), text)
    brief = {numbers[name]: unquote(b) for name, b, _ in rows}
    full = {numbers[name]: unquote(f) for name, _, f in rows}
    return numbers, brief, full


def from_run_sh(text):
    body = text[text.index("exit_meaning() {"):]
    body = body[:body.index("esac")]
    return {int(code): meaning for code, meaning in re.findall(r'^\s*(\d+)\) echo "(.*)" ;;$', body, re.M)}


def from_readme(text):
    table = text[text.index("The installer's exit code"):]
    table = table[:table.index("\n\n", table.index("| code |"))]
    return {int(code): meaning for code, meaning in re.findall(r"^\| (\d+) \| (.*) \|$", table, re.M)}


def compare(what, expected, found):
    problems = []
    for code in sorted(set(expected) | set(found)):
        if code not in found:
            problems.append(f"{what}: code {code} is missing")
        elif code not in expected:
            problems.append(f"{what}: code {code} is no exit code of the installer")
        elif expected[code] != found[code]:
            problems.append(f"{what}: code {code} reads {found[code]!r}, app/exit_codes.h says {expected[code]!r}")
    return problems


def main(root):
    def read(path):
        with open(f"{root}/{path}", encoding="utf-8") as f:
            return f.read()

    numbers, brief, full = from_header(read("app/exit_codes.h"))
    problems = []
    if not numbers or sorted(numbers.values()) != list(range(len(numbers))):
        problems.append(f"app/exit_codes.h: the codes are not 0 to N once each: {sorted(numbers.values())}")
    if set(brief) != set(numbers.values()):
        problems.append("app/exit_codes.h: not every code has its meanings")
    problems += compare("scripts/run.sh", brief, from_run_sh(read("scripts/run.sh")))
    problems += compare("README.md", full, from_readme(read("README.md")))
    for line in problems:
        print(line)
    print(f"{len(numbers)} exit codes, {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
