"""Checking and comparing cases through the tool and the module: one table of cases (shared with the core's
test), the same findings, differences and exit statuses from both."""

import json
import os
import pathlib

import pytest

import zormek
from conftest import run_tool

TABLE = json.loads(pathlib.Path(os.environ.get(
    "ZK_CHECK_CASES", pathlib.Path(__file__).parent.parent / "data" / "check" / "cases.json")).read_text())

# GRAVAR refuses to write an interval not entered, so such a file is written with this value in its place and
# the value then made 0.00, as a file edited by hand has it.
NOT_ENTERED, NOT_ENTERED_TEXT = 8765.43, b"   8765.43"


def build(row):
    case = zormek.Case()
    if not row.get("fresh"):
        sound = TABLE["sound"]
        case.set_table([sound["duration"]] * sound["N"], [300.0 + k for k in range(1, sound["N"] + 1)])
        for name, value in sound["set"].items():
            setattr(case, name, value)
    for name, value in row.get("set", {}).items():
        setattr(case, name, value)
    for which in ("durations", "loads"):
        for first, last, value in row.get(which, []):
            getattr(case, which)[first - 1:last] = value
    return case


def write(case, path):
    entered = case.copy()
    for values in (entered.durations, entered.loads):
        assert NOT_ENTERED not in values
        values[values == 0] = NOT_ENTERED
    entered.write(path)
    path.write_bytes(path.read_bytes().replace(NOT_ENTERED_TEXT, b"      0.00"))
    return path


def expected(row):
    out = []
    for finding in row["findings"]:
        severity, field, *interval = finding.split()
        out.append((severity, field, int(interval[0]) if interval else None))
    return out


@pytest.mark.parametrize("row", TABLE["rows"], ids=[row["name"] for row in TABLE["rows"]])
def test_each_case_gives_its_findings_through_the_module_and_the_tool(tmp_path, row):
    case = build(row)
    findings = zormek.check(case)
    assert [(f.severity, f.field, f.interval) for f in findings] == expected(row)
    path = write(case, tmp_path / "caso.dad")
    status, out, err = run_tool("check", path, "--json")
    assert (status, err) == (1 if any(f.severity == "erro" for f in findings) else 0, "")
    assert json.loads(out) == [{"file": str(path), "severity": f.severity, "field": f.field,
                                "interval": f.interval, "message": f.message} for f in findings]


def five_apart(tmp_path):
    """Two cases differing in the title, one scalar, one parameter and intervals 3 and 17."""
    a = build({})
    a.title = "Caso base"
    b = a.copy()
    b.title = 'Caso "novo" \\ de\tmarço \x01'
    b.Ptmax = 450.5
    b.Maxit = 60
    b.loads[2] = 650
    b.durations[16] = 2.5
    return a, b, write(a, tmp_path / "a.dad"), write(b, tmp_path / "b.dad")


def test_diff_gives_exactly_the_five_differences(tmp_path):
    a, b, path_a, path_b = five_apart(tmp_path)
    want = [("title", None, "Caso base", b.title), ("Ptmax", None, "400", "450,5"), ("Maxit", None, "30", "60"),
            ("loads", 3, "303", "650"), ("durations", 17, "1", "2,5")]
    assert [(d.field, d.interval, d.a, d.b) for d in zormek.diff(a, b)] == want
    assert zormek.diff(a, b)[1][4:] == (400.0, 450.5)
    status, out, err = run_tool("diff", path_a, path_b, "--json")
    assert (status, err) == (1, "")
    assert json.loads(out) == [dict(zip(("field", "interval", "a", "b"), row)) for row in want]
    # The text and JSON say the same five; a title stays one line in both.
    assert run_tool("diff", path_a, path_b)[1].splitlines()[1:] == [
        "Ptmax: 400 → 450,5", "Maxit: 30 → 60", "loads (intervalo 3): 303 → 650", "durations (intervalo 17): 1 → 2,5"]
    assert zormek.diff(a, a.copy()) == [] and [d.field for d in zormek.diff(a, b, tolerance=0.7)] == ["title", "Maxit"]


def test_json_texts_are_escaped_and_utf8_passes_through(tmp_path):
    _, b, path_a, path_b = five_apart(tmp_path)
    out = run_tool("diff", path_a, path_b, "--json")[1]
    assert r'"b": "Caso \"novo\" \\ de\tmarço \u0001"' in out
    odd = tmp_path / 'ação "1" \\.dad'
    odd.write_bytes(path_a.read_bytes())
    status, out, _ = run_tool("check", odd, "--json")
    assert status == 0 and json.loads(out) == [] and out == "[]\n"
    odd.write_bytes(path_a.read_bytes().replace(b"    100.00", b"      0.00", 1))  # base power 0
    assert json.loads(run_tool("check", odd, "--json")[1])[0]["file"] == str(odd)


# The exit statuses: (arguments in a folder with sound.dad, warn.dad, bad.dad, torto.dad; status; what stdout and
# stderr must hold).
STATUSES = [
    ("check sound", ["check", "sound.dad"], 0, "sound.dad: nenhum problema encontrado.\n", ""),
    ("check warnings only", ["check", "warn.dad"], 0, "warn.dad: aviso: Vtot:", ""),
    ("check errors", ["check", "sound.dad", "bad.dad"], 1, 'bad.dad: erro: Ptmin: "Pt (min):" 500', ""),
    ("check goes on past an unreadable file", ["check", "nada.dad", "torto.dad", "bad.dad"], 2,
     "bad.dad: erro: Ptmin",
     'zormek-case: Não foi possível abrir o arquivo "nada.dad": o arquivo não existe.\n'
     "zormek-case: torto.dad: Linha 2, coluna 11: esperado um número real.\n"),
    ("check without a file", ["check"], 2, "", "zormek-case: falta o arquivo do caso.\n"),
    ("diff same", ["diff", "sound.dad", "sound.dad"], 0, "", ""),
    ("diff within the tolerance", ["diff", "sound.dad", "warn.dad", "--tolerance", "1"], 0, "", ""),
    ("diff different", ["diff", "sound.dad", "warn.dad", "--tolerance", "0,99"], 1, "Vtot: 5000 → 0\n", ""),
    ("diff unreadable", ["diff", "sound.dad", "torto.dad"], 2, "", "zormek-case: torto.dad: Linha 2, coluna 11"),
    ("diff negative tolerance", ["diff", "sound.dad", "sound.dad", "--tolerance", "-0.1"], 2, "",
     "zormek-case: --tolerance: a tolerância deve ser um número finito maior ou igual a zero, não '-0.1'.\n"),
    ("diff tolerance not a number", ["diff", "sound.dad", "sound.dad", "--tolerance", "1%"], 2, "",
     "zormek-case: --tolerance: '1%' não é um número"),
    ("diff one file", ["diff", "sound.dad"], 2, "", "zormek-case: diff compara dois casos: A.dad B.dad.\n"),
]


@pytest.mark.parametrize("args, status, out_has, err_has", [r[1:] for r in STATUSES], ids=[r[0] for r in STATUSES])
def test_exit_statuses(tmp_path, args, status, out_has, err_has):
    write(build({}), tmp_path / "sound.dad")
    write(build({"set": {"Vtot": 0}}), tmp_path / "warn.dad")
    write(build({"set": {"Ptmin": 500}}), tmp_path / "bad.dad")
    (tmp_path / "torto.dad").write_bytes((tmp_path / "sound.dad").read_bytes().replace(b"1.00", b"1,00", 1))
    got, out, err = run_tool(*args, cwd=tmp_path)
    assert got == status
    assert out_has in out and (err == "" if err_has == "" else err.startswith(err_has))


def test_the_module_refuses_a_tolerance_through_case_error():
    with pytest.raises(zormek.CaseError) as refused:
        zormek.diff(zormek.Case(), zormek.Case(), tolerance=float("nan"))
    assert refused.value.code == "out-of-range"
    with pytest.raises(TypeError):
        zormek.check("caso.dad")
