"""End-to-end cases of hostile input and failing file systems.

Whatever a plan holds and whatever the file system does, the program must end
with a report and a non-zero status where it failed, leave no page file behind,
never touch a file it did not create, and never run anything a path holds.
The records are those of cases.py; expected pages come from the hand-written
template in page_template.py, their rows written by hand from each plan.
"""

import random
from dataclasses import dataclass

from cases import (BANNER, CASES, DIR, OLD_PAGE, SMALL_PAGE, SMALL_PLAN, Case, created, failure,
                   paths, success)
from page_template import (PLACEHOLDER_IMAGE as PH, group_line, heading_lines, link_row,
                           node_row, page)


@dataclass
class CorpusCase(Case):
    # Largest file the program may write, in bytes (0: no limit); a write past it
    # fails as on a full file system.
    file_size_limit: int = 0


def case(**kwargs):
    CASES.append(CorpusCase(**kwargs))


def warnings(*lines):
    return "".join(f"Warning: {line}\n" for line in lines)


MB = 1024 * 1024
REPLACEMENT = "\u25a3"  # A2 C3 in the plan

# --- Plans that hold nothing the reader can place --------------------------------------------

# Zero bytes: an empty plan, so the fixed lines alone; the longer old page is replaced.
case(name="corpus_empty_plan_file",
     args=["plan.lst"],
     files={"plan.lst": b"", "plan.htm": b"x" * 5000},
     stdout=success("plan"), exit=0,
     after={"plan.lst": b"", "plan.htm": page()})


def random_binary():
    """Reproducible noise with no header ('#'), no byte-order mark and no UTF-8 reading."""
    noise = bytearray(random.Random(1001).randbytes(64 * 1024))
    for i, byte in enumerate(noise):
        if byte == ord("#"):
            noise[i] = ord("$")
    noise[0:2] = b"\x80\x80"
    return bytes(noise)


RANDOM = random_binary()
case(name="corpus_random_binary",
     args=["plan.lst"],
     files={"plan.lst": RANDOM, "plan.htm": OLD_PAGE},
     stdout=success("plan"), exit=0,
     after={"plan.lst": RANDOM, "plan.htm": page()})

# NUL bytes end their lines wherever they stand: in headers (a header cut to
# "#NO" is a short line, so the Links section goes on), in class, relation and
# link lines, and as a line's first byte (nothing before it: a short line).
NUL_LINES_PLAN = (b"#CLASS\0junk\n"
                  b"person blue dot\0 ignored words\n"
                  b"\0ghost red box\n"
                  b"#RELATION\n"
                  b"knows red li\0ne\n"
                  b"#NODES\n"
                  b"n1 person Alpha\n"
                  b"n2 person Beta\n"
                  b"#LINKS\n"
                  b"n1 n2 knows\0 extra\n"
                  b"#NO\0DES\n"
                  b"n2 n1 knows\n")
case(name="corpus_nul_bytes_in_lines",
     args=["plan.lst"],
     files={"plan.lst": NUL_LINES_PLAN},
     stdout=success("plan"), exit=0,
     after={"plan.lst": NUL_LINES_PLAN, "plan.htm": page(
         nodes=[node_row("n1", "person", "Alpha", "Alpha", PH, ""),
                node_row("n2", "person", "Beta", "Beta", PH, "")],
         links=[link_row("n1", "n2", "red", "li", "knows"),
                link_row("n2", "n1", "red", "li", "knows")],
         groups=[group_line("person", "blue", "dot")])})

# --- Sizes ----------------------------------------------------------------------------------

# Two lines of 10 MB each: a heading cut to its width, and a node whose URL lies
# 10 MB of blanks after its label.
TEN_MB_PLAN = (b"#PROJECT\nh1 " + b"T" * (10 * MB) + b"\n"
               b"#CLASS\nperson blue dot\n#NODES\nn1 person Alpha" + b" " * (10 * MB)
               + b"http://localhost/a\n")
case(name="corpus_ten_megabyte_lines",
     args=["plan.lst"],
     files={"plan.lst": TEN_MB_PLAN},
     stdout=(BANNER + paths("plan") + warnings("line 2: text longer than 255 bytes, cut")
             + created("plan")),
     exit=0,
     after={"plan.lst": TEN_MB_PLAN, "plan.htm": page(
         nodes=[node_row("n1", "person", "Alpha",
                         '<a href="http://localhost/a" target="_blank">Alpha</a>',
                         PH, "http://localhost/a")],
         groups=[group_line("person", "blue", "dot")],
         headings=heading_lines("h1", "T" * 255))})

# The field kinds that long_fields_cut leaves out, each over its width.  The tag's
# seventh double-byte character and the color's escape would straddle the cut and
# go whole.  Link ends and relations are cut as their nodes and relation are, so
# they still match.
TAG = b"hh" + b"\xb0\xa1" * 8                 # 18 bytes: hh and 6 pairs kept
LONG_ID = b"i" * 45
LONG_REL = b"r" * 45
FIELDS_PLAN = (b"#PROJECT\n"
               + TAG + b" Heading\n"                                        # line 2
               + b"#CLASS\n"
               + b"person blue dotdotdotdotdotdot\n"                        # line 4
               + b"#RELATION\n"
               + LONG_REL + b" #1234567890U+0041 " + b"s" * 20 + b"\n"      # line 6
               + b"#NODES\n"
               + LONG_ID + b" person Alpha\n"                               # line 8
               + b"n2 person Beta\n"
               + b"#LINKS\n"
               + LONG_ID + b" n2 " + LONG_REL + b"\n"                       # line 11
               + b"n2 " + LONG_ID + b" " + LONG_REL + b"\n")                # line 12
case(name="corpus_every_field_kind_over_width",
     args=["plan.lst"],
     files={"plan.lst": FIELDS_PLAN},
     stdout=(BANNER + paths("plan")
             + warnings("line 2: tag longer than 15 bytes, cut",
                        "line 4: style longer than 15 bytes, cut",
                        "line 6: name longer than 39 bytes, cut",
                        "line 6: color longer than 15 bytes, cut",
                        "line 6: style longer than 15 bytes, cut",
                        "line 8: id longer than 39 bytes, cut",
                        "line 11: fromId longer than 39 bytes, cut",
                        "line 11: relation longer than 39 bytes, cut",
                        "line 12: toId longer than 39 bytes, cut",
                        "line 12: relation longer than 39 bytes, cut")
             + created("plan")),
     exit=0,
     after={"plan.lst": FIELDS_PLAN, "plan.htm": page(
         nodes=[node_row("i" * 39, "person", "Alpha", "Alpha", PH, ""),
                node_row("n2", "person", "Beta", "Beta", PH, "")],
         links=[link_row("i" * 39, "n2", "#1234567890", "s" * 15, "r" * 39),
                link_row("n2", "i" * 39, "#1234567890", "s" * 15, "r" * 39)],
         groups=[group_line("person", "blue", "dotdotdotdotdot")],
         headings=heading_lines("hh" + "가" * 6, "Heading\n"))})


# Every table one row over its capacity.  Each extra row would make the run fail
# if it were read (a node of an undeclared class, a link to an unknown node) or
# would show in the page (a heading, a class).
def capacity_plan():
    lines = ["#PROJECT"] + [f"h1 H{k}" for k in range(11)]
    lines += ["#CLASS"] + [f"c{k} blue dot" for k in range(100)] + ["extra red box"]
    lines += ["#RELATION"] + [f"r{k} red line" for k in range(100)] + ["r99 green dash"]
    lines += ["#NODES"] + [f"n{k} c{k % 100} L{k}" for k in range(1000)] + ["n1000 ghost X"]
    lines += ["#LINKS"] + [f"n{k} n{(k + 1) % 1000} r{k % 100}" for k in range(1000)]
    lines += ["n0 n1000 nowhere"]
    return ("\n".join(lines) + "\n").encode()


CAPACITY_PLAN = capacity_plan()
case(name="corpus_tables_over_capacity",
     args=["plan.lst"],
     files={"plan.lst": CAPACITY_PLAN},
     stdout=success("plan"), exit=0,
     after={"plan.lst": CAPACITY_PLAN, "plan.htm": page(
         nodes=[node_row(f"n{k}", f"c{k % 100}", f"L{k}", f"L{k}", PH, "") for k in range(1000)],
         links=[link_row(f"n{k}", f"n{(k + 1) % 1000}", "red", "line", f"r{k % 100}")
                for k in range(1000)],
         groups=[group_line(f"c{k}", "blue", "dot") for k in range(100)],
         headings=sum((heading_lines("h1", f"H{k}\n") for k in range(10)), []))})

# A lead byte with no partner at the end of fields (a class name, the same name in a
# node, a label in a line that goes on) and as the very last byte of the file.
LONE_END_PLAN = (b"#CLASS\nper\xb0 blue dot\n"
                 b"#NODES\nn1 per\xb0 Ab\xb0 http://localhost/a\n"
                 b"#PROJECT\nh1 End\xb0")
case(name="corpus_lone_lead_byte_ends_field_and_file",
     args=["plan.lst"],
     files={"plan.lst": LONE_END_PLAN},
     stdout=(BANNER + paths("plan")
             + warnings("line 2: name ends in an incomplete character",
                        "line 4: className ends in an incomplete character",
                        "line 4: label ends in an incomplete character",
                        "line 6: text ends in an incomplete character")
             + created("plan")),
     exit=0,
     after={"plan.lst": LONE_END_PLAN, "plan.htm": page(
         nodes=[node_row("n1", "per" + REPLACEMENT, "Ab" + REPLACEMENT,
                         f'<a href="http://localhost/a" target="_blank">Ab{REPLACEMENT}</a>',
                         PH, "http://localhost/a")],
         groups=[group_line("per" + REPLACEMENT, "blue", "dot")],
         headings=heading_lines("h1", "End" + REPLACEMENT))})

# --- Files in the way -----------------------------------------------------------------------

# A directory of the page file's name is in the way like a file: never removed.
case(name="corpus_page_file_is_directory",
     args=["plan.lst"],
     files={"plan.lst": SMALL_PLAN, "plan.txt": DIR, "plan.htm": OLD_PAGE},
     after={"plan.lst": SMALL_PLAN, "plan.txt": DIR, "plan.htm": OLD_PAGE},
     stdout=failure("plan", "HTML File plan.txt Already Exists!"), exit=1)

# --- A full file system ---------------------------------------------------------------------

# The page file cannot be written whole: reported, removed, the old page kept.
case(name="corpus_file_system_full_writing_page",
     args=["plan.lst"],
     files={"plan.lst": SMALL_PLAN, "plan.htm": OLD_PAGE},
     after={"plan.lst": SMALL_PLAN, "plan.htm": OLD_PAGE},
     file_size_limit=1024,
     stdout=failure("plan", "HTML File plan.txt Write Error!"), exit=1)

# The page file fits but its conversion does not: every double-byte character
# takes three bytes of UTF-8 for its two, 2,280 bytes more over the labels and
# titles, and the limit lies 1,000 bytes under the converted page's size.  The
# conversion fails, its temporary file goes, the old page stays and the page file
# is deleted all the same.
HANGUL_PLAN = (b"#CLASS\nperson blue dot\n#NODES\n"
               + b"".join(b"n%d person " % k + b"\xb0\xa1" * 19 + b"\n" for k in range(60)))
HANGUL_PAGE = page(nodes=[node_row(f"n{k}", "person", "가" * 19, "가" * 19, PH, "")
                          for k in range(60)],
                   groups=[group_line("person", "blue", "dot")])
case(name="corpus_file_system_full_converting",
     args=["plan.lst"],
     files={"plan.lst": HANGUL_PLAN, "plan.htm": OLD_PAGE},
     after={"plan.lst": HANGUL_PLAN, "plan.htm": OLD_PAGE},
     file_size_limit=len(HANGUL_PAGE) - 1000,
     stdout=failure("plan", "Source Range : 2 Byte Characters", "Target Format: KSX -> UTF8",
                    "", "Output File plan.htm Write Error!", "Code Conversion Error!"),
     exit=1)

# --- Paths ----------------------------------------------------------------------------------

# Arguments split by the shell at blanks and joined again, holding what a command
# interpreter would run; no marker file may ever appear.
for label, words, posix_only in [
    ("portable", ["my", "dir;$(touch marker)", "&", "`touch marker2`/p.lst"], False),
    ("posix", ['a"b', "|c", "$(touch marker)|`touch marker2`/p.lst"], True),
]:
    joined = " ".join(words)
    folder = joined.rsplit("/", 1)[0]
    base = joined[:-len(".lst")]
    case(name=f"corpus_split_arguments_with_shell_characters_{label}",
         args=words,
         files={folder: DIR, joined: SMALL_PLAN},
         stdout=success(base), exit=0,
         after={folder: DIR, joined: SMALL_PLAN, base + ".htm": SMALL_PAGE},
         posix_only=posix_only)

# A plan path of 300 bytes (more than Windows' 260).
PATH_300 = "d" * 100 + "/" + "e" * 100 + "/" + "p" * 94 + ".lst"
assert len(PATH_300) == 300
case(name="corpus_path_of_300_bytes",
     args=[PATH_300],
     files={"d" * 100: DIR, PATH_300[:201]: DIR, PATH_300: SMALL_PLAN},
     stdout=success(PATH_300[:-4]), exit=0,
     after={"d" * 100: DIR, PATH_300[:201]: DIR, PATH_300: SMALL_PLAN,
            PATH_300[:-4] + ".htm": SMALL_PAGE},
     posix_only=True)
