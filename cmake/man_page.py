"""Writes the manual page tessaloom(1) from the tool's own --help and
--version, at every build, so the two never disagree:
    man_page.py TOOL OUTPUT

The help lists commands, each a synopsis ("  tessaloom draw ...", continued
by indented lines that open with '[') and an indented description; help2man
makes tagged paragraphs of option lines only (those that open with '-'), so
the commands would run together: each becomes a tagged paragraph here.
"""

import re
import subprocess
import sys

TOOL, OUTPUT = sys.argv[1:3]
ENVIRONMENT = [("TESSALOOM_REGISTRY", "The registry file register and unregister use, and the "
                "component reads its class and the hosting restrictions from; by default "
                "/etc/tessaloom/registry.reg.")]
SEE_ALSO = "python3(1), gunicorn(1), nginx(8)"


def run(*arguments):
    return subprocess.run([TOOL, *arguments], capture_output=True, text=True,
                          check=True).stdout


def roff(text):
    """Text as roff: backslashes doubled, hyphens of options unbreakable, and no line that
    opens with a control character."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return re.sub(r"^([.'])", r"\\&\1", text, flags=re.M)


def commands(help_text):
    """[(synopsis, description)] in the order of the help."""
    entries = []
    for line in help_text.splitlines()[1:]:  # after "usage:"
        if line.startswith("  tessaloom"):
            entries.append([line.strip(), []])
        elif entries and line.strip().startswith("[") and not entries[-1][1]:
            entries[-1][0] += " " + line.strip()
        elif entries and line.strip():
            entries[-1][1].append(line.strip())
    return [(synopsis, " ".join(description)) for synopsis, description in entries]


def main():
    version = run("--version").split()[-1]
    entries = commands(run("--help"))
    page = [".TH TESSALOOM 1 \"\" \"tessaloom %s\" \"User Commands\"" % version,
            ".SH NAME", "tessaloom \\- draw bar, line, pie and box\\-whisker charts into images",
            ".SH SYNOPSIS"]
    for synopsis, _ in entries:
        command, _, arguments = synopsis.partition(" ")[2].partition(" ")
        page.append(".B tessaloom " + roff(command))
        if arguments:
            page.append(roff(arguments))
        page.append(".br")
    page += [".SH DESCRIPTION",
             "The command-line face of the Tessaloom chart component: it draws a chart from a "
             "CSV file with any of the component's Draw methods, draws the gallery, converts "
             "images, registers the component and serves charts over HTTP.",
             ".SH COMMANDS"]
    for synopsis, description in entries:
        page += [".TP", ".B " + roff(synopsis)]
        if description:
            page.append(roff(description))
    page.append(".SH ENVIRONMENT")
    for name, text in ENVIRONMENT:
        page += [".TP", ".B " + name, roff(text)]
    page += [".SH FILES", ".TP", ".B /etc/tessaloom/registry.reg",
             "The registry file: the component's class and the hosting restrictions.",
             ".SH SEE ALSO", roff(SEE_ALSO), ""]
    with open(OUTPUT, "w", encoding="utf-8") as out:
        out.write("\n".join(page))


main()
