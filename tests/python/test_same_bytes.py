"""Random records written three ways — by Python, by zormek-case and by the window's writer — are the same bytes,
and each file reads back equal to the record."""

import subprocess

from hypothesis import given, settings, strategies as st

import zormek
from conftest import WINDOW_WRITER, run_tool

# Each real field's conversion in the case file: ("f", decimals) or ("e", decimals).
FORMATS = {
    "base": ("f", 2), "c0": ("e", 2), "c": ("e", 2), "q": ("e", 2), "Ptmin": ("f", 4), "Ptmax": ("f", 4),
    "a0": ("e", 2), "a1": ("e", 2), "Vtot": ("f", 2), "Phmin": ("f", 4), "Phmax": ("f", 4),
    "Zeta0": ("e", 2), "Zetat": ("e", 2), "Zetah": ("e", 2), "Gammat": ("e", 2), "Gammah": ("e", 2),
    "Epsext": ("f", 6), "Rhoext": ("f", 5), "xnl": ("f", 2), "x0": ("f", 2), "xlowbd": ("f", 2), "y0": ("f", 2),
    "z0": ("f", 2), "Rho": ("e", 2), "Epsln": ("e", 2), "Bigm": ("e", 1), "Sigma": ("e", 2), "Epslnp": ("e", 2),
    "Epslmek": ("e", 2), "Mu0": ("e", 2),
}
INTEGERS = ("nu", "nd", "klim", "Maxit", "iprint")
# Titles the window can write: the code page's letters, digits and signs, blanks and tabs.
TITLE_LETTERS = [chr(c) for c in range(0x20, 0x7F)] + list("\táéíóúâêôãõçÁÉÍÓÚÂÊÔÃÕÇàÀüÜºª°§€…")


def fixed_text(decimals, nonzero=False):
    """A decimal text with exactly the field's decimals: the file writes it back unchanged."""
    units = st.integers(-10**9, 10**9).filter(lambda m: m != 0 or not nonzero)
    return units.map(lambda m: f"{'-' if m < 0 else ''}{abs(m) // 10**decimals}.{abs(m) % 10**decimals:0{decimals}d}"
                     if decimals else str(m))


def exp_text(decimals):
    """d.dd e±XX: the file's "% 10.<d>e" text of its own nearest double."""
    return st.builds(lambda sign, digits, exponent: f"{sign}{digits[0]}.{digits[1:]}e{exponent:+03d}",
                     st.sampled_from(["", "-"]),
                     st.integers(10**decimals, 10**(decimals + 1) - 1).map(str),
                     st.integers(-60, 60))


def field_text(name):
    kind, decimals = FORMATS[name]
    return fixed_text(decimals) if kind == "f" else exp_text(decimals)


records = st.fixed_dictionaries({
    "title": st.text(st.sampled_from(TITLE_LETTERS), max_size=80),
    "fields": st.fixed_dictionaries({name: field_text(name) for name in FORMATS}),
    "integers": st.fixed_dictionaries({name: st.integers(-2**31, 2**31 - 1) for name in INTEGERS}),
    "table": st.lists(st.tuples(fixed_text(2, nonzero=True), fixed_text(2, nonzero=True)), min_size=1, max_size=20),
    "comma": st.lists(st.booleans(), min_size=len(FORMATS) + 1, max_size=len(FORMATS) + 1),
})


def comma(text):
    return text.replace(".", ",")


def python_case(record):
    case = zormek.Case()
    case.title = record["title"]
    for name, text in record["fields"].items():
        setattr(case, name, float(text))
    for name, value in record["integers"].items():
        setattr(case, name, value)
    case.set_table([float(d) for d, _ in record["table"]], [float(l) for _, l in record["table"]])
    return case


@settings(max_examples=60, deadline=None, database=None)
@given(records)
def test_python_tool_and_window_write_the_same_bytes(tmp_path_factory, record):
    folder = tmp_path_factory.mktemp("same")
    case = python_case(record)
    case.write(folder / "python.dad")

    # The tool: every value as a text, with the decimal point or the comma as drawn.
    marks = iter(record["comma"])
    table = "".join(f"{d}\t{l}\n" for d, l in record["table"])  # one decimal mark for the whole table
    (folder / "t.tsv").write_text(comma(table) if next(marks) else table)
    edits = [f"{name}={comma(text) if next(marks) else text}" for name, text in record["fields"].items()]
    edits += [f"{name}={value}" for name, value in record["integers"].items()]
    status, _, err = run_tool("new", "--table", "t.tsv", "--title", record["title"], "-o", "tool.dad", *edits,
                              cwd=folder)
    assert (status, err) == (0, "")

    # The window: the texts as its fields hold them (decimal comma), GRAVAR's writer.
    lines = [f"title\t{record['title']}"]
    lines += [f"{name}\t{comma(text)}" for name, text in record["fields"].items()]
    lines += [f"{name}\t{value}" for name, value in record["integers"].items()]
    lines += [f"interval\t{comma(d)}\t{comma(l)}" for d, l in record["table"]]
    done = subprocess.run([WINDOW_WRITER, str(folder), "window"], input="\n".join(lines) + "\n",
                          capture_output=True, text=True, encoding="utf-8")
    assert (done.returncode, done.stderr) == (0, "")

    written = (folder / "python.dad").read_bytes()
    assert (folder / "tool.dad").read_bytes() == written
    assert (folder / "window.dad").read_bytes() == written
    for name in ("python", "tool", "window"):
        assert zormek.read(folder / f"{name}.dad") == case, name
