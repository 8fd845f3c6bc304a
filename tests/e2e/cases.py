"""End-to-end cases: one record per run of the program.

Each case gives the files to lay out in an empty directory (bytes exactly as
written), the arguments, and what must come out: standard output (compared
after folding CR LF to LF), the exit status, and every file left in the
directory afterwards.  Expected pages are assembled from the hand-written
template in page_template.py; the row lines below are written by hand from
the plan each case gives.
"""

from dataclasses import dataclass, field

from page_template import (PLACEHOLDER_IMAGE as PH, group_line, heading_lines, link_row,
                           node_row, page)

DIR = object()  # marks a directory in `files` and `after`


@dataclass
class Case:
    name: str
    args: list
    stdout: str
    exit: int
    files: dict = field(default_factory=dict)
    after: dict = field(default_factory=dict)
    # Modes set once the files are laid out; "." is the directory the program runs in.
    modes: dict = field(default_factory=dict)
    # Paths handed to the unprivileged user that runs the program.
    user_owns: tuple = ()
    # Modes the program must give the files it creates (POSIX, umask 022).
    after_modes: dict = field(default_factory=dict)
    # File names that Windows cannot hold.
    posix_only: bool = False
    # Permission cases: meaningless when the program runs as root.
    needs_unprivileged: bool = False
    # Fields of this record that differ where the program runs under Wine.
    windows: dict = field(default_factory=dict)
    # Environment variables set for the run, after LC_ALL=C.
    env: dict = field(default_factory=dict)


BANNER = ("\nTarnwick 1.2 (2017/03/08)\n"
          "Turns ontology plans into interactive network-graph web pages.\n")
USAGE = "\nUsage: Tarnwick <Ontology Data File> \n"


def paths(base):
    return f"List file: {base}.lst\nHTML File: {base}.txt\n\n"


def created(base):
    return ("Source Range : 2 Byte Characters\n"
            "Target Format: KSX -> UTF8\n"
            f"Visualizatin Script {base}.htm has been Created.\n")


def success(base):
    return BANNER + paths(base) + created(base)


def failure(base, *lines):
    return BANNER + paths(base) + "".join(line + "\n" for line in lines)


# The smallest plan that passes validation, and its page.
SMALL_PLAN = b"#CLASS\nperson blue dot\n#NODES\nn1 person Alpha\n"
SMALL_PAGE = page(nodes=[node_row("n1", "person", "Alpha", "Alpha", PH, "")],
                  groups=[group_line("person", "blue", "dot")])
OLD_PAGE = b"old page\r\n"

CASES = []


def case(**kwargs):
    CASES.append(Case(**kwargs))


# --- A whole family-style plan, page compared in full ----------------------------------

# KS X 1001: B0 A1 가, C1 B7 족, A1 A4 ·, CA A1 伽, FD FE 詰, A1 AD (read as U+007E ~),
# C0 CC 이, BC F8 순, BD C5 신, B9 DA 박; extended area A1 21 U+4EEE 仮.
FAMILY_PLAN = (
    b"#CLASS\n"
    b"person #0000ff dot\n"
    b"place green box\n"
    b"dummy gray dot\n"
    b"#RELATION\n"
    b"parent_of red line\n"
    b"lives_in #00aa00 dash\n"
    b"#NODES\n"
    b"solo\n"
    b"kim_jr person\n"
    b"p7 place Old_Town\n"
    b"lee person \xc0\xcc_\xbc\xf8\xbd\xc5 http://localhost/lee\n"
    b"park person \xb9\xda http://localhost/park http://localhost/park.png\n"
    b"choi person Choi http://localhost/choi http://localhost/choi.png 0\n"
    b"han person \xca\xa1 http://localhost/han http://localhost/han.png 1\n"
    b"yoon person Yoon http://localhost/yoon http://localhost/yoon.png 2\n"
    b"#LINKS\n"
    b"kim_jr lee parent_of\n"
    b"lee p7 lives_in\n"
    b"han park parent_of\n"
    b"#PROJECT\n"
    b"h1 Family_Tree\n"
    b"h3 \xb0\xa1\xc1\xb7\xa1\xa4\xca\xa1\xfd\xfe\xa1\xad\xa1\x21"
    b" U+AC00 &#44032; &#65; R&#D U+12G4")  # last line: no line end

FAMILY_PAGE = page(
    nodes=[
        node_row("solo", "dummy", "unnamed", "", PH, ""),
        node_row("kim_jr", "person", "unnamed", "", PH, ""),
        node_row("p7", "place", "Old Town", "Old_Town", PH, ""),
        node_row("lee", "person", "이 순신",
                 '<a href="http://localhost/lee" target="_blank">이_순신</a>',
                 PH, "http://localhost/lee"),
        node_row("park", "person", "박",
                 '<a href="http://localhost/park" target="_blank">'
                 '<img src="http://localhost/park.png"/></a>',
                 "http://localhost/park.png", "http://localhost/park"),
        node_row("choi", "person", "Choi",
                 '<a href="http://localhost/choi" target="_blank">'
                 '<img src="http://localhost/choi.png"/></a>',
                 "http://localhost/choi.png", "http://localhost/choi"),
        node_row("han", "person", "伽",
                 '<a href="http://localhost/han" target="_blank">伽</a>',
                 "http://localhost/han.png", "http://localhost/han", image_label=True),
        node_row("yoon", "person", "Yoon", "",
                 "http://localhost/yoon.png", "http://localhost/yoon"),
    ],
    links=[
        link_row("kim_jr", "lee", "red", "line", "parent of"),
        link_row("lee", "p7", "#00aa00", "dash", "lives in"),
        link_row("han", "park", "red", "line", "parent of"),
    ],
    groups=[
        group_line("person", "#0000ff", "dot"),
        group_line("place", "green", "box"),
        group_line("dummy", "gray", "dot"),
    ],
    headings=(heading_lines("h1", "Family Tree\n")
              + heading_lines("h3", "가족·伽詰~仮 가 가 A R&#D U+12G4")))

case(name="family_plan",
     args=["family.lst"],
     files={"family.lst": FAMILY_PLAN},
     stdout=success("family"), exit=0,
     after={"family.lst": FAMILY_PLAN, "family.htm": FAMILY_PAGE},
     after_modes={"family.htm": 0o644})

# No headings, classes, relations, nodes or links: the fixed lines alone.  The old
# page is longer than the new one, so a page that was not emptied shows.
case(name="empty_plan_replaces_old_page",
     args=["plan.lst"],
     files={"plan.lst": b"no sections here\nnothing to read\n", "plan.htm": b"x" * 5000},
     stdout=success("plan"), exit=0,
     after={"plan.lst": b"no sections here\nnothing to read\n", "plan.htm": page()})

# --- Command line ---------------------------------------------------------------------

case(name="no_argument", args=[], stdout=USAGE, exit=2,
     files={"plan.lst": SMALL_PLAN}, after={"plan.lst": SMALL_PLAN})

for label, arg, files in [
    ("bare", "plan", {"plan.lst": SMALL_PLAN}),
    ("dot_only", ".lst", {".lst": SMALL_PLAN}),
    ("dotted_dir", "dir.d/plan", {"dir.d": DIR, "dir.d/plan.lst": SMALL_PLAN,
                                   "dir.lst": SMALL_PLAN}),
    ("dotted_dir_backslash", "dir.d\\plan", {"dir.d": DIR, "dir.d/plan.lst": SMALL_PLAN,
                                             "dir.lst": SMALL_PLAN}),
]:
    case(name=f"no_extension_{label}", args=[arg], files=files, after=files,
         stdout=BANNER + f'Ontology Plan "{arg}" Has No File Extension!\n', exit=2)

# Any extension reads the .lst file; the file named on the command line is not read.
case(name="other_extension_reads_lst",
     args=["plan.xyz"],
     files={"plan.lst": SMALL_PLAN, "plan.xyz": b"#NODES\nn1 nobody Ghost\n"},
     stdout=success("plan"), exit=0,
     after={"plan.lst": SMALL_PLAN, "plan.xyz": b"#NODES\nn1 nobody Ghost\n",
            "plan.htm": SMALL_PAGE})

# Only the last dot of the final component starts the extension.
DECOY = b"#CLASS\nperson blue dot\n#NODES\nd1 person Decoy\n"
case(name="inner_dots_kept",
     args=["data.old/my.plan.lst"],
     files={"data.old": DIR, "data.old/my.plan.lst": SMALL_PLAN,
            "data.old/my.lst": DECOY, "data.lst": DECOY},
     stdout=success("data.old/my.plan"), exit=0,
     after={"data.old": DIR, "data.old/my.plan.lst": SMALL_PLAN,
            "data.old/my.lst": DECOY, "data.lst": DECOY,
            "data.old/my.plan.htm": SMALL_PAGE})

case(name="leading_dot_slash",
     args=["./plan.lst"],
     files={"plan.lst": SMALL_PLAN, ".lst": DECOY},
     stdout=success("./plan"), exit=0,
     after={"plan.lst": SMALL_PLAN, ".lst": DECOY, "plan.htm": SMALL_PAGE})

case(name="split_arguments_joined",
     args=["My", "Plans/p.lst"],
     files={"My Plans": DIR, "My Plans/p.lst": SMALL_PLAN},
     stdout=success("My Plans/p"), exit=0,
     after={"My Plans": DIR, "My Plans/p.lst": SMALL_PLAN, "My Plans/p.htm": SMALL_PAGE})

case(name="plan_not_found",
     args=["missing.lst"],
     stdout=failure("missing", 'Ontology Plan "missing.lst" Not Found!'), exit=1)

case(name="plan_is_directory",
     args=["plan.lst"],
     files={"plan.lst": DIR}, after={"plan.lst": DIR},
     stdout=failure("plan", 'Ontology Plan "plan.lst" Not Found!'), exit=1)

# Paths past 127 characters are neither cut nor refused.
LONG_BASE = "d" * 70 + "/" + "p" * 70
case(name="long_path",
     args=[LONG_BASE + ".lst"],
     files={"d" * 70: DIR, LONG_BASE + ".lst": SMALL_PLAN},
     stdout=success(LONG_BASE), exit=0,
     after={"d" * 70: DIR, LONG_BASE + ".lst": SMALL_PLAN, LONG_BASE + ".htm": SMALL_PAGE})

# A shell that ever saw the path would create a marker file or fail on the quote.
for label, base, posix_only in [
    ("posix", 'a"b&c;d|e$(touch marker)f`touch marker2`g', True),
    ("portable", "a&b;c$(touch marker)d`touch marker2`e", False),
]:
    case(name=f"shell_characters_in_path_{label}",
         args=[base + ".lst"],
         files={base + ".lst": SMALL_PLAN},
         stdout=success(base), exit=0,
         after={base + ".lst": SMALL_PLAN, base + ".htm": SMALL_PAGE},
         posix_only=posix_only)

# --- Validation: each stage, its messages in order; nothing written -------------------

for label, plan, messages in [
    ("classes",
     b"#CLASS\nperson blue dot\n#RELATION\nknows red line\n#NODES\n"
     b"n1 Person Alice\nn2 person Bob\nn3 robot R2D2\n#LINKS\nn1 n9 no_such\n",
     ["Class Name Person in the Node List is Invalid!",
      "Class Name robot in the Node List is Invalid!"]),
    ("link_ends",
     b"#CLASS\nperson blue dot\n#RELATION\nknows red line\n#NODES\n"
     b"n1 person Alice\nn2 person Bob\n#LINKS\nn1 x9 no_such\ny8 z7 knows\nn2 n1 knows\n",
     ["Node 1 ID y8 in the Link List is Invalid!",
      "Node 2 ID x9 in the Link List is Invalid!",
      "Node 2 ID z7 in the Link List is Invalid!"]),
    ("relations",
     b"#CLASS\nperson blue dot\n#RELATION\npart_of red line\n#NODES\n"
     b"n1 person Alice\nn2 person Bob\n#LINKS\nn1 n2 part_of\nn2 n1 Part_of\nn1 n1 has_part\n",
     ["Relation Name Part_of in the Link List is Invalid!",
      "Relation Name has_part in the Link List is Invalid!"]),
]:
    files = {"plan.lst": plan, "plan.htm": OLD_PAGE}
    case(name=f"validation_fails_{label}", args=["plan.lst"], files=files, after=files,
         stdout=failure("plan", *messages), exit=1)

# --- The page file ----------------------------------------------------------------------

# A file of the page file's name is the user's: never emptied, never deleted.
case(name="page_file_exists",
     args=["plan.lst"],
     files={"plan.lst": SMALL_PLAN, "plan.txt": b"my own notes\n"},
     stdout=failure("plan", "HTML File plan.txt Already Exists!"), exit=1,
     after={"plan.lst": SMALL_PLAN, "plan.txt": b"my own notes\n"})

case(name="unreadable_plan",
     args=["plan.lst"],
     files={"plan.lst": SMALL_PLAN}, after={"plan.lst": SMALL_PLAN},
     modes={".": 0o755, "plan.lst": 0o000}, user_owns=(".",),
     stdout=failure("plan", 'Ontology Plan "plan.lst" Not Found!'), exit=1,
     needs_unprivileged=True)

case(name="directory_not_writable",
     args=["plan.lst"],
     files={"plan.lst": SMALL_PLAN, "plan.htm": OLD_PAGE},
     after={"plan.lst": SMALL_PLAN, "plan.htm": OLD_PAGE},
     modes={".": 0o555, "plan.lst": 0o644, "plan.htm": 0o644},
     stdout=failure("plan", "HTML File plan.txt Creation Error!"), exit=1,
     needs_unprivileged=True)

# The conversion fails; the page file goes all the same and the old page stays.
case(name="page_not_writable",
     args=["plan.lst"],
     files={"plan.lst": SMALL_PLAN, "plan.htm": OLD_PAGE},
     after={"plan.lst": SMALL_PLAN, "plan.htm": OLD_PAGE},
     modes={".": 0o755, "plan.lst": 0o644, "plan.htm": 0o444}, user_owns=(".",),
     stdout=failure("plan", "", "Output File plan.htm Creation Error!",
                    "Code Conversion Error!"), exit=1,
     needs_unprivileged=True)

# The visualization page cannot take the place of a directory: a conversion error,
# after which the page file goes all the same.  Runs as any user.
case(name="page_path_is_directory",
     args=["plan.lst"],
     files={"plan.lst": SMALL_PLAN, "plan.htm": DIR},
     after={"plan.lst": SMALL_PLAN, "plan.htm": DIR},
     stdout=failure("plan", "", "Output File plan.htm Creation Error!",
                    "Code Conversion Error!"), exit=1)

# --- Reading the plan -------------------------------------------------------------------

# Read in pieces of 999 bytes, the blanks would put the URL on a node of its own.
LONG_LINE_PLAN = (b"#CLASS\nperson blue dot\n#NODES\nn1 person Alpha"
                  + b" " * 1000 + b"http://localhost/a\n")
case(name="long_line_is_one_record",
     args=["plan.lst"],
     files={"plan.lst": LONG_LINE_PLAN},
     stdout=success("plan"), exit=0,
     after={"plan.lst": LONG_LINE_PLAN, "plan.htm": page(
         nodes=[node_row("n1", "person", "Alpha",
                         '<a href="http://localhost/a" target="_blank">Alpha</a>',
                         PH, "http://localhost/a")],
         groups=[group_line("person", "blue", "dot")])})

# 0x1A ends the input: the node after it, of an undeclared class, is never read.
EOF_PLAN = b"#CLASS\nperson blue dot\n#NODES\nn1 person Alpha\n\x1an2 nobody Beta\n"
case(name="ctrl_z_ends_plan",
     args=["plan.lst"],
     files={"plan.lst": EOF_PLAN},
     stdout=success("plan"), exit=0,
     after={"plan.lst": EOF_PLAN, "plan.htm": SMALL_PAGE})

# A NUL ends its line: the heading loses its line end, the node its junk field, and
# the short-line rule counts only what comes before the NUL (n9 would be a node of
# the undeclared class "dummy").
NUL_PLAN = (b"#PROJECT\nh2 Sub\0tail\n#CLASS\nperson blue dot\n#NODES\n"
            b"n1 person Alpha\0 http://junk\nn9\0 this is long\n")
case(name="nul_ends_line",
     args=["plan.lst"],
     files={"plan.lst": NUL_PLAN},
     stdout=success("plan"), exit=0,
     after={"plan.lst": NUL_PLAN, "plan.htm": page(
         nodes=[node_row("n1", "person", "Alpha", "Alpha", PH, "")],
         groups=[group_line("person", "blue", "dot")],
         headings=heading_lines("h2", "Sub"))})

# CR LF is one line end; a lone CR stays in the heading text.
CRLF_PLAN = (b"#PROJECT\r\nh1 Line_End\r\nh2 a\rb\r\n#CLASS\r\nperson blue dot\r\n"
             b"#NODES\r\nn1 person Alpha http://localhost/a\r\n")
case(name="crlf_plan",
     args=["plan.lst"],
     files={"plan.lst": CRLF_PLAN},
     stdout=success("plan"), exit=0,
     after={"plan.lst": CRLF_PLAN, "plan.htm": page(
         nodes=[node_row("n1", "person", "Alpha",
                         '<a href="http://localhost/a" target="_blank">Alpha</a>',
                         PH, "http://localhost/a")],
         groups=[group_line("person", "blue", "dot")],
         headings=heading_lines("h1", "Line End\n") + heading_lines("h2", "a\rb\n"))})

# Over-long fields are cut to their width, never inside a double-byte character or an
# escape, with one warning per field in file order, title last.
NAME45 = "klass_" + "k" * 39
NAME39 = NAME45[:39]
URL300 = "http://localhost/" + "u" * 283
URL255 = URL300[:255]
IMG150 = "http://localhost/" + "i" * 133
IMG127 = IMG150[:127]
CUT_PLAN = (
    b"#PROJECT\n"
    + b"h1 " + b"T" * 300 + b"\n"                                      # line 2
    + b"#CLASS\n"
    + NAME45.encode() + b" #123456789abcdef0123 dot\n"                 # line 4
    + b"pic blue dot\n"
    + b"#RELATION\n"
    + b"rel red line\n"
    + b"#NODES\n"
    + b"n1 " + NAME45.encode() + b" " + b"\xb0\xa1" * 20 + b" " + URL300.encode() + b"\n"  # 9
    + b"n2 " + NAME45.encode() + b" abcdefghijklmnopqrstuvwxyz0123456&#44032;\n"  # line 10
    + b"n3 pic Pic http://localhost/p " + IMG150.encode() + b"\n"      # line 11
    + b"#LINKS\n"
    + b"n1 n2 rel\n")
CUT_TEXT = "abcdefghijklmnopqrstuvwxyz0123456"
case(name="long_fields_cut",
     args=["plan.lst"],
     files={"plan.lst": CUT_PLAN},
     stdout=BANNER + paths("plan")
     + "Warning: line 2: text longer than 255 bytes, cut\n"
     + "Warning: line 4: name longer than 39 bytes, cut\n"
     + "Warning: line 4: borderColor longer than 15 bytes, cut\n"
     + "Warning: line 9: className longer than 39 bytes, cut\n"
     + "Warning: line 9: label longer than 39 bytes, cut\n"
     + "Warning: line 9: url longer than 255 bytes, cut\n"
     + "Warning: line 9: title longer than 255 bytes, cut\n"
     + "Warning: line 10: className longer than 39 bytes, cut\n"
     + "Warning: line 10: label longer than 39 bytes, cut\n"
     + "Warning: line 11: image longer than 127 bytes, cut\n"
     + created("plan"),
     exit=0,
     after={"plan.lst": CUT_PLAN, "plan.htm": page(
         nodes=[
             node_row("n1", NAME39, "가" * 19, '<a href="' + URL255[:246], PH, URL255),
             node_row("n2", NAME39, CUT_TEXT, CUT_TEXT, PH, ""),
             node_row("n3", "pic", "Pic",
                      f'<a href="http://localhost/p" target="_blank"><img src="{IMG127}"/></a>',
                      IMG127, "http://localhost/p"),
         ],
         links=[link_row("n1", "n2", "red", "line", "rel")],
         groups=[group_line(NAME39, "#123456789abcde", "dot"), group_line("pic", "blue", "dot")],
         headings=heading_lines("h1", "T" * 255))})

# A field that ends in a lone high byte would take the page's own quote as its
# trail byte; the byte becomes A2 C3, the replacement mark.
LONE_PLAN = b"#PROJECT\nh1 Title\xb0\n#CLASS\nperson blue dot\n#NODES\nn1 person Ab\xb0\n"
case(name="incomplete_character",
     args=["plan.lst"],
     files={"plan.lst": LONE_PLAN},
     stdout=BANNER + paths("plan")
     + "Warning: line 2: text ends in an incomplete character\n"
     + "Warning: line 6: label ends in an incomplete character\n"
     + created("plan"),
     exit=0,
     after={"plan.lst": LONE_PLAN, "plan.htm": page(
         nodes=[node_row("n1", "person", "Ab▣", "Ab▣", PH, "")],
         groups=[group_line("person", "blue", "dot")],
         headings=heading_lines("h1", "Title▣\n"))})

# --- Fields inside the script's single-quoted strings -----------------------------------

# Extended-area pairs whose trail byte is ' (C9 27 U+8CDB), \ (F7 5C U+904C) or
# _ (F6 5F U+712B) stay whole.  Headings are HTML and stay as written.
ESCAPE_PLAN = (
    b"#PROJECT\n"
    b"h1 Don't <b>escape</b> &amp; me\n"
    b"#CLASS\n"
    b"odd'one #f00 dot\n"
    b"#RELATION\n"
    b"it's r'd li\\ne\n"
    b"#NODES\n"
    b"n1 odd'one O'Brien\n"
    b"n2 odd'one C:\\dir\\\n"
    b"n3 odd'one a</script>b<!--c</SCRIPT\n"
    b"n4 odd'one q&#39;r&#39s\n"
    b"n5 odd'one U+0027&#60;U+00b7\n"
    b"n6 odd'one \xc9\x27\xf7\x5c\xf6\x5f_x\n"
    b"n7 odd'one \xb0\xa1&#44032;U+AC00 http://localhost/?a='b'\n"
    b"#LINKS\n"
    b"n1 n2 it's\n")
ODD = r"odd\'one"
case(name="script_strings_escaped",
     args=["plan.lst"],
     files={"plan.lst": ESCAPE_PLAN},
     stdout=success("plan"), exit=0,
     after={"plan.lst": ESCAPE_PLAN, "plan.htm": page(
         nodes=[
             node_row("n1", ODD, r"O\'Brien", r"O\'Brien", PH, ""),
             node_row("n2", ODD, r"C:\\dir\\", r"C:\\dir\\", PH, ""),
             node_row("n3", ODD, r"a\x3C/script>b\x3C!--c\x3C/SCRIPT",
                      r"a\x3C/script>b\x3C!--c\x3C/SCRIPT", PH, ""),
             node_row("n4", ODD, r"q\x27r\x27s", r"q\x27r\x27s", PH, ""),
             node_row("n5", ODD, r"\x27\x3C" + "·", r"\x27\x3C" + "·", PH, ""),
             node_row("n6", ODD, "賛遌焫 x", "賛遌焫_x", PH, ""),
             node_row("n7", ODD, "가가가",
                      r'<a href="http://localhost/?a=\'b\'" target="_blank">가가가</a>',
                      PH, r"http://localhost/?a=\'b\'"),
         ],
         links=[link_row("n1", "n2", r"r\'d", r"li\\ne", r"it\'s")],
         groups=[group_line(ODD, "#f00", "dot")],
         headings=heading_lines("h1", "Don't <b>escape</b> &amp; me\n"))})


# --- Plans saved as Unicode text ----------------------------------------------------------

def read_as(base, encoding):
    return BANNER + paths(base) + f"Plan file read as {encoding} text.\n" + created(base)


# The family plan as an editor saves it today: the same characters, so the same page.
# A1 AD was read as "~", and A1 21 (仮) is the same character as FE A1.
FAMILY_TEXT = (
    "#CLASS\n"
    "person #0000ff dot\n"
    "place green box\n"
    "dummy gray dot\n"
    "#RELATION\n"
    "parent_of red line\n"
    "lives_in #00aa00 dash\n"
    "#NODES\n"
    "solo\n"
    "kim_jr person\n"
    "p7 place Old_Town\n"
    "lee person 이_순신 http://localhost/lee\n"
    "park person 박 http://localhost/park http://localhost/park.png\n"
    "choi person Choi http://localhost/choi http://localhost/choi.png 0\n"
    "han person 伽 http://localhost/han http://localhost/han.png 1\n"
    "yoon person Yoon http://localhost/yoon http://localhost/yoon.png 2\n"
    "#LINKS\n"
    "kim_jr lee parent_of\n"
    "lee p7 lives_in\n"
    "han park parent_of\n"
    "#PROJECT\n"
    "h1 Family_Tree\n"
    "h3 가족·伽詰~仮 U+AC00 &#44032; &#65; R&#D U+12G4")

for label, plan, encoding in [
    ("utf8", FAMILY_TEXT.encode("utf-8"), "UTF-8"),
    ("utf8_mark", b"\xef\xbb\xbf" + FAMILY_TEXT.encode("utf-8"), "UTF-8"),
    ("utf16le", b"\xff\xfe" + FAMILY_TEXT.replace("\n", "\r\n").encode("utf-16-le"), "UTF-16"),
    ("utf16be", b"\xfe\xff" + FAMILY_TEXT.replace("\n", "\r\n").encode("utf-16-be"), "UTF-16"),
]:
    case(name=f"family_plan_{label}",
         args=["family.lst"],
         files={"family.lst": plan},
         stdout=read_as("family", encoding), exit=0,
         after={"family.lst": plan, "family.htm": FAMILY_PAGE})

# Characters that no pair gives reach the page through escapes.  In UTF-16, U+AC1A
# holds a byte 1A and U+0D0A the bytes of CR LF: neither ends the input or a line,
# which only the decoded text's U+001A and CR LF do (n9, of an undeclared class, is
# never read).
OUTSIDE_TEXT = ("#PROJECT\r\nh1 Emoji_😀\r\n#CLASS\r\nperson blue dot\r\n#NODES\r\n"
                "n1 person 똠😀갚ഊ\r\n\x1an9 nobody Ghost\r\n")
OUTSIDE_PAGE = page(nodes=[node_row("n1", "person", "똠😀갚ഊ", "똠😀갚ഊ", PH, "")],
                    groups=[group_line("person", "blue", "dot")],
                    headings=heading_lines("h1", "Emoji 😀\n"))
for label, plan, encoding in [
    ("utf8", OUTSIDE_TEXT.encode("utf-8"), "UTF-8"),
    ("utf16le", b"\xff\xfe" + OUTSIDE_TEXT.encode("utf-16-le"), "UTF-16"),
    ("utf16be", b"\xfe\xff" + OUTSIDE_TEXT.encode("utf-16-be"), "UTF-16"),
]:
    case(name=f"characters_outside_ks_x_1001_{label}",
         args=["plan.lst"],
         files={"plan.lst": plan},
         stdout=read_as("plan", encoding), exit=0,
         after={"plan.lst": plan, "plan.htm": OUTSIDE_PAGE})

# A plan that is not the text its mark promises: nothing is read, nothing written.
SMALL_UTF16 = "#CLASS\nperson blue dot\n#NODES\nn1 person Alpha\n".encode("utf-16-le")
for label, plan, encoding in [
    ("utf8_mark_then_8bit", b"\xef\xbb\xbf" + b"#NODES\nn1 person \xb0\xa1\n", "UTF-8"),
    ("utf8_mark_then_surrogate", b"\xef\xbb\xbf" + b"#NODES\nn1 person \xed\xa0\x80\n",
     "UTF-8"),
    ("utf16_odd_length", b"\xff\xfe" + SMALL_UTF16 + b"\n", "UTF-16"),
    ("utf16_unpaired_surrogate",
     b"\xfe\xff" + "#NODES\nn1 person ".encode("utf-16-be") + b"\xd8\x3d\x00\x0a", "UTF-16"),
]:
    files = {"plan.lst": plan, "plan.htm": OLD_PAGE}
    case(name=f"malformed_{label}", args=["plan.lst"], files=files, after=files,
         stdout=failure("plan", f'Ontology Plan "plan.lst" Is Not Valid {encoding}!'), exit=1)

# Validation quotes plan text in the console's encoding: UTF-8 where the locale's
# codeset is UTF-8, the plan's 8-bit bytes otherwise (and under Wine's default
# console code page).  사람 is BB E7 B6 F7; 똠 has no pair and stays an escape.
BAD_CLASS_TEXT = "#CLASS\nperson blue dot\n#NODES\nn1 사람 Alpha\nn2 똠_x Beta\n"
BAD_CLASS_8BIT = (b"#CLASS\nperson blue dot\n#NODES\nn1 \xbb\xe7\xb6\xf7 Alpha\n"
                  b"n2 U+B620_x Beta\n")
MESSAGES_8BIT = (b"Class Name \xbb\xe7\xb6\xf7 in the Node List is Invalid!\n"
                 b"Class Name U+B620_x in the Node List is Invalid!\n")
MESSAGES_UTF8 = ("Class Name 사람 in the Node List is Invalid!\n"
                 "Class Name 똠_x in the Node List is Invalid!\n").encode("utf-8")
for label, plan, notice in [
    ("8bit_plan", BAD_CLASS_8BIT, b""),
    ("utf8_plan", BAD_CLASS_TEXT.encode("utf-8"), b"Plan file read as UTF-8 text.\n"),
]:
    start = (BANNER + paths("plan")).encode() + notice
    files = {"plan.lst": plan}
    case(name=f"validation_message_c_locale_{label}", args=["plan.lst"], files=files,
         after=files, stdout=start + MESSAGES_8BIT, exit=1)
    case(name=f"validation_message_utf8_locale_{label}", args=["plan.lst"], files=files,
         after=files, stdout=start + MESSAGES_UTF8, exit=1, env={"LC_ALL": "C.UTF-8"},
         windows={"stdout": start + MESSAGES_8BIT})

# The one ambiguity: an 8-bit plan that happens to be valid UTF-8 is read as UTF-8.
# Here the Hanja CA A1 (伽) reads as U+02A1, which no pair gives.
TINY_8BIT = b"#PROJECT\nh1 \xca\xa1\n"
case(name="tiny_8bit_plan_read_as_utf8",
     args=["plan.lst"],
     files={"plan.lst": TINY_8BIT},
     stdout=read_as("plan", "UTF-8"), exit=0,
     after={"plan.lst": TINY_8BIT, "plan.htm": page(headings=heading_lines("h1", "\u02a1\n"))})


def by_name():
    return {c.name: c for c in CASES}
