"""zormek-case as a user runs it: outputs, files byte for byte, every refusal with its message and exit status."""

import json
import subprocess

import pytest

from conftest import EXAMPLE_FILE, EXAMPLE_TABLE, TOOL, run_tool


def test_new_writes_the_example_file_byte_for_byte(tmp_path, example_table):
    status, out, err = run_tool("new", "--table", "t.tsv", "base=100", "--title", "Caso exemplo", "-o", "caso1.dad",
                                cwd=tmp_path)
    assert (status, out, err) == (0, "", "")
    assert (tmp_path / "caso1.dad").read_bytes() == EXAMPLE_FILE.read_bytes()


@pytest.mark.parametrize("table, fmt", [
    ("10\t500\n14\t700\n", "tsv two columns"),
    ("1\t10,0\t500\r\n2\t14\t700,00\r\n", "tsv three columns, decimal comma"),
    ("10;500\r\n14;700\r\n", "csv semicolon"),
    ("10,5;500\n14;700\n", "csv semicolon, decimal comma"),
    ("10.5,500\n14,700\n", "csv comma, decimal point"),
    ("\ufeff10;500\r\n14;700\r\n", "csv with a byte-order mark"),
], ids=lambda v: v if " " in v else None)
def test_table_formats_give_the_same_intervals(tmp_path, table, fmt):
    (tmp_path / "t.txt").write_text(table, encoding="utf-8")
    status, _, err = run_tool("new", "--table", "t.txt", "base=100", "-o", "c.dad", cwd=tmp_path)
    assert (status, err) == (0, "")
    status, out, _ = run_tool("table", "c.dad", cwd=tmp_path)
    first = "10,5" if "10.5" in table or "10,5" in table else "10"
    assert out == f"1\t{first}\t500\n2\t14\t700\n"


def test_table_from_standard_input(tmp_path):
    status, _, err = run_tool("new", "--table", "-", "base=100", "--title", "Caso exemplo", "-o", "c.dad",
                              stdin=EXAMPLE_TABLE, cwd=tmp_path)
    assert (status, err) == (0, "")
    assert (tmp_path / "c.dad").read_bytes() == EXAMPLE_FILE.read_bytes()


def test_show_gives_every_field_with_its_caption():
    status, out, err = run_tool("show", EXAMPLE_FILE)
    assert (status, err) == (0, "")
    lines = out.splitlines()
    assert lines[:3] == ["Título do caso em estudo: Caso exemplo", "Numero de Intervalos: 2",
                         "base    Potência base (MW): 100"]
    assert "Ptmin   Pt (min): 0" in lines
    assert "Epsext  Epsext: 0,0001" in lines and "Epslmek Epslmek: 1E-20" in lines
    assert lines[-1] == "iprint  iprint: 0"
    assert len(lines) == 2 + 35


def test_show_json_has_every_field_typed_and_both_arrays():
    import zormek
    status, out, err = run_tool("show", EXAMPLE_FILE, "--json")
    assert (status, err) == (0, "")
    record = json.loads(out)
    assert list(record) == ["title", "N", *zormek.FIELDS, "durations", "loads"]
    assert record["title"] == "Caso exemplo" and record["N"] == 2
    assert record["durations"] == [10.0, 14.0] and record["loads"] == [500.0, 700.0]
    assert record["base"] == 100.0 and record["Bigm"] == 1e8 and record["Epslmek"] == 1e-20
    assert type(record["Maxit"]) is int and record["Maxit"] == 30
    case = zormek.read(EXAMPLE_FILE)
    assert all(record[name] == getattr(case, name) for name in zormek.FIELDS)


def test_table_prints_the_memo_copy_exactly(tmp_path):
    (tmp_path / "t.tsv").write_text("0,1\t0,30000000000000004\n-2,5\t1e20\n")
    assert run_tool("new", "--table", "t.tsv", "-o", "c.dad", cwd=tmp_path)[0] == 0
    # The file keeps two decimals: 0.1 is written "0.10" and reads back as 0.1.
    assert run_tool("table", "c.dad", cwd=tmp_path)[1] == "1\t0,1\t0,3\n2\t-2,5\t1E20\n"


def test_set_changes_in_place_in_argument_order(tmp_path):
    path = tmp_path / "c.dad"
    path.write_bytes(EXAMPLE_FILE.read_bytes())
    status, out, err = run_tool("set", path, "Vtot=1000", "Vtot*=1,5", "loads*=1.1", "durations*=0.5", "Maxit*=2",
                                "nu=-7", "c0=2,5e3")
    assert (status, out, err) == (0, "", "")
    record = json.loads(run_tool("show", path, "--json")[1])
    assert record["Vtot"] == 1500.0 and record["Maxit"] == 60 and record["nu"] == -7 and record["c0"] == 2500.0
    assert record["loads"] == [550.0, 770.0] and record["durations"] == [5.0, 7.0]
    assert record["title"] == "Caso exemplo"


def test_set_to_another_file_leaves_the_case_alone(tmp_path):
    path = tmp_path / "c.dad"
    path.write_bytes(EXAMPLE_FILE.read_bytes())
    assert run_tool("set", path, "-o", tmp_path / "d.dad", "--title", "Outro", "base=50")[0] == 0
    assert path.read_bytes() == EXAMPLE_FILE.read_bytes()
    lines = (tmp_path / "d.dad").read_bytes().split(b"\r\n")
    assert lines[0] == b"Outro" and lines[5] == b"     50.00"


def test_new_like_starts_from_the_base_case(tmp_path, example_table):
    status, _, err = run_tool("new", "--like", EXAMPLE_FILE, "--table", "t.tsv", "-o", "c.dad", cwd=tmp_path)
    assert (status, err) == (0, "")
    assert (tmp_path / "c.dad").read_bytes() == EXAMPLE_FILE.read_bytes()


def test_a_title_in_portuguese_is_written_in_the_windows_code_page(tmp_path, example_table):
    assert run_tool("new", "--table", "t.tsv", "--title", "Previsão de março", "-o", "c.dad", "base=1",
                    cwd=tmp_path)[0] == 0
    assert (tmp_path / "c.dad").read_bytes().startswith("Previsão de março\r\n".encode("cp1252"))
    assert run_tool("show", tmp_path / "c.dad")[1].startswith("Título do caso em estudo: Previsão de março\n")


# Every refusal: the arguments (run in a folder with t.tsv and caso.dad, the example), the exit status and
# the exact standard error. 1: refused; 2: wrong usage.
REFUSALS = [
    ("no verb", [], 2,
     'zormek-case: falta o comando: show, table, new, set, check ou diff.\nVeja "zormek-case --help".\n'),
    ("unknown verb", ["mostrar", "caso.dad"], 2,
     'zormek-case: argumentos inesperados: mostrar caso.dad\nVeja "zormek-case --help".\n'),
    ("unknown option", ["show", "caso.dad", "--xml"], 2,
     'zormek-case: argumento inesperado: --xml\nVeja "zormek-case show --help".\n'),
    ("option without its value", ["new", "--table", "t.tsv", "-o"], 2,
     'zormek-case: falta o valor de --output.\nVeja "zormek-case new --help".\n'),
    ("show without a file", ["show"], 2,
     'zormek-case: falta o arquivo do caso.\nVeja "zormek-case show --help".\n'),
    ("new without output", ["new", "--table", "t.tsv"], 2,
     'zormek-case: falta -o SAIDA.dad.\nVeja "zormek-case new --help".\n'),
    ("new without table", ["new", "-o", "x.dad"], 2,
     'zormek-case: falta --table TABELA.\nVeja "zormek-case new --help".\n'),
    ("argument without equals", ["set", "caso.dad", "Vtot"], 2,
     "zormek-case: 'Vtot' não é CAMPO=VALOR nem CAMPO*=FATOR.\nVeja \"zormek-case set --help\".\n"),
    ("unknown field with a near name", ["set", "caso.dad", "vtot=1"], 2,
     "zormek-case: Campo desconhecido: 'vtot'. Seria 'Vtot'?\nVeja \"zormek-case set --help\".\n"),
    ("unknown field", ["set", "caso.dad", "potencia=1"], 2,
     "zormek-case: Campo desconhecido: 'potencia'.\nVeja \"zormek-case set --help\".\n"),
    ("the count is the table's", ["set", "caso.dad", "N=3"], 2,
     'zormek-case: N vem da tabela: use --table.\nVeja "zormek-case set --help".\n'),
    ("loads set instead of scaled", ["set", "caso.dad", "loads=5"], 2,
     "zormek-case: loads só se multiplica (loads*=FATOR); os valores vêm da tabela (--table).\n"
     'Veja "zormek-case set --help".\n'),
    ("thousands separator", ["set", "caso.dad", "Vtot=1.000,5"], 2,
     "zormek-case: Vtot: '1.000,5' não é um número (ponto ou vírgula decimal, sem separador de milhares).\n"
     'Veja "zormek-case set --help".\n'),
    ("not a number", ["set", "caso.dad", "base=cem"], 2,
     "zormek-case: base: 'cem' não é um número (ponto ou vírgula decimal, sem separador de milhares).\n"
     'Veja "zormek-case set --help".\n'),
    ("integer with decimals", ["set", "caso.dad", "nu=4,5"], 2,
     "zormek-case: nu: '4,5' não é um número inteiro.\nVeja \"zormek-case set --help\".\n"),
    ("integer beyond 32 bits", ["set", "caso.dad", "Maxit=2147483648"], 2,
     "zormek-case: Maxit: 2147483648 está fora do intervalo de -2147483648 a 2147483647.\n"
     'Veja "zormek-case set --help".\n'),
    ("scaled integer not whole", ["set", "caso.dad", "Maxit*=1,55"], 1,
     "zormek-case: Maxit: 30 × 1,55 = 46,5 não é um número inteiro.\n"),
    ("scaled integer beyond 32 bits", ["set", "caso.dad", "iprint=3", "iprint*=1e9"], 1,
     "zormek-case: iprint: 3 × 1000000000 = 3000000000 está fora do intervalo de -2147483648 a 2147483647.\n"),
    ("scaled real not finite", ["set", "caso.dad", "Bigm*=1e308"], 1,
     "zormek-case: Bigm: o valor deve ser um número finito, não inf.\n"),
    ("scaled load not finite", ["set", "caso.dad", "loads*=1e307"], 1,
     "zormek-case: Intervalo 1: a carga 500 × 1E307 = inf; só números finitos podem ser gravados.\n"),
    ("missing case file", ["show", "nada.dad"], 1,
     'zormek-case: Não foi possível abrir o arquivo "nada.dad": o arquivo não existe.\n'),
    ("damaged case file", ["table", "torto.dad"], 1,
     "zormek-case: torto.dad: Linha 3, coluna 1: esperado um número real.\n"),
    ("missing table file", ["new", "--table", "nada.tsv", "-o", "x.dad"], 1,
     'zormek-case: Não foi possível abrir o arquivo "nada.tsv": o arquivo não existe.\n'),
    ("empty table", ["new", "--table", "vazia.tsv", "-o", "x.dad"], 1,
     "zormek-case: vazia.tsv: não há tabela de intervalos.\n"),
    ("table read two ways", ["set", "caso.dad", "--table", "ambigua.tsv"], 1,
     "zormek-case: ambigua.tsv: Linha 2: '1.038' pode ser 1038 ou 1,038, e nenhuma célula da tabela mostra qual é "
     "o separador decimal. Use --decimal , (1038) ou --decimal . (1,038).\n"),
    ("decimal mark that is not one", ["set", "caso.dad", "--table", "ambigua.tsv", "--decimal", ";"], 2,
     "zormek-case: --decimal: o separador decimal é \",\" ou \".\", não ';'.\nVeja \"zormek-case set --help\".\n"),
    ("bad table cell", ["new", "--table", "ruim.tsv", "-o", "x.dad"], 1,
     "zormek-case: ruim.tsv: Linha 2: 'abc' não é um número.\n"),
    ("interval without duration or load", ["new", "--table", "falta.tsv", "-o", "x.dad"], 1,
     "zormek-case: intervalo 2: Intervalo não informado!\nzormek-case: intervalo 1: Carga não informada!\n"
     "zormek-case: intervalo 3: Carga não informada!\n"),
    ("fresh record without base power still needs intervals", ["new", "--table", "-", "-o", "x.dad"], 1,
     "zormek-case: entrada padrão: não há tabela de intervalos.\n"),
    ("title with a line break", ["set", "caso.dad", "--title", "a\nb"], 1,
     "zormek-case: O título do caso não pode conter quebras de linha ou de página!\n"),
    ("title outside the code page", ["set", "caso.dad", "--title", "ok \u2192"], 1,
     'zormek-case: O título do caso contém o caractere "\u2192" (U+2192), que não pode ser gravado no arquivo '
     "(Windows-1252)!\n"),
    ("folder that does not exist", ["set", "caso.dad", "-o", "nada/x.dad"], 1,
     None),  # the message names the folder as an absolute path: checked below
]


@pytest.fixture
def workdir(tmp_path):
    (tmp_path / "t.tsv").write_text("10\t500\n14\t700\n")
    (tmp_path / "caso.dad").write_bytes(EXAMPLE_FILE.read_bytes())
    damaged = EXAMPLE_FILE.read_bytes().replace(b"    500.00", b"    500,00")
    (tmp_path / "torto.dad").write_bytes(damaged)
    (tmp_path / "vazia.tsv").write_text(" \n\n")
    (tmp_path / "ambigua.tsv").write_text("10\t500\n14\t1.038\n")
    (tmp_path / "ruim.tsv").write_text("10\t500\nabc\t700\n")
    (tmp_path / "falta.tsv").write_text("10\t\n\t700\n5\t0\n")
    return tmp_path


@pytest.mark.parametrize("args, status, message", [r[1:] for r in REFUSALS], ids=[r[0] for r in REFUSALS])
def test_refusals(workdir, args, status, message):
    before = {p.name: p.read_bytes() for p in workdir.iterdir()}
    got_status, out, err = run_tool(*args, cwd=workdir)
    if message is None:
        message = (f'zormek-case: Não foi possível gravar o arquivo "x.dad" na pasta "{workdir}/nada": '
                   "a pasta não existe!\n")
    assert (got_status, out, err) == (status, "", message)
    # Nothing written, nothing changed.
    assert {p.name: p.read_bytes() for p in workdir.iterdir()} == before


def test_a_read_only_case_is_refused_and_kept(workdir):
    # The save refuses a file without write permission, for root too.
    path = workdir / "caso.dad"
    path.chmod(0o444)
    status, _, err = run_tool("set", path, "base=5")
    assert status == 1 and err.startswith('zormek-case: Não foi possível gravar o arquivo "caso.dad"')
    assert path.read_bytes() == EXAMPLE_FILE.read_bytes()


# 1,038 MW kept in the file's two decimals: 1,04.
@pytest.mark.parametrize("verb, decimal, load", [("new", ",", "1038"), ("set", ".", "1,04")])
def test_decimal_settles_a_table_read_two_ways(workdir, verb, decimal, load):
    args = ["new", "-o", "caso.dad"] if verb == "new" else ["set", "caso.dad"]
    assert run_tool(*args, "--table", "ambigua.tsv", "--decimal", decimal, "base=1", cwd=workdir)[:3:2] == (0, "")
    assert run_tool("table", "caso.dad", cwd=workdir)[1] == f"1\t10\t500\n2\t14\t{load}\n"


@pytest.mark.parametrize("verb", ["", "show", "table", "new", "set", "check", "diff"])
def test_help_is_in_portuguese(verb):
    status, out, err = run_tool(*([verb] if verb else []), "--help")
    assert (status, err) == (0, "")
    assert "Uso:" in out and "Mostra esta ajuda e sai" in out
    for english in ("Usage", "Options", "Positionals", "Subcommands", "Print this help", "REQUIRED"):
        assert english not in out
    if verb in ("new", "set"):
        assert "CAMPO=VALOR" in out and "--table" in out and "--title" in out
    if verb in ("check", "diff"):
        assert "--json" in out and "2 um arquivo que não pôde ser lido" in out
    if not verb:
        for name in ("show", "table", "new", "set", "check", "diff"):
            assert name in out
        assert "2 uso incorreto" in out


def test_standard_output_that_cannot_be_written_is_a_refusal():
    with open("/dev/full", "w") as full:
        done = subprocess.run([TOOL, "table", str(EXAMPLE_FILE)], stdout=full, stderr=subprocess.PIPE, text=True)
    assert (done.returncode, done.stderr) == (1, "zormek-case: não foi possível escrever na saída padrão.\n")
