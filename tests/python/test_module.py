"""The Python module zormek: typed fields, arrays without a copy, the same bytes as the window, every refusal."""

import copy
import sys

import numpy as np
import pytest

import zormek
from conftest import EXAMPLE_FILE

INTEGERS = {"nu", "nd", "klim", "Maxit", "iprint"}


def example_case():
    case = zormek.Case()
    case.set_table([10, 14], [500, 700])
    case.base = 100
    case.title = "Caso exemplo"
    return case


def test_a_new_case_is_the_fresh_windows_record():
    case = zormek.Case()
    assert (case.N, case.title) == (1, "")
    assert case.durations.tolist() == [0.0] and case.loads.tolist() == [0.0]
    defaults = {"nu": 40, "nd": 30, "klim": 10, "Epsext": 0.0001, "Rhoext": 0.995, "xnl": 0.0, "x0": 1.0,
                "xlowbd": -1.0, "y0": 0.0, "z0": 1.0, "Rho": 0.95, "Epsln": 0.0001, "Maxit": 30, "Bigm": 1e8,
                "Sigma": 0.01, "Epslnp": 1e-5, "Epslmek": 1e-20, "Mu0": 5.0, "iprint": 0}
    for name in zormek.FIELDS:
        value = getattr(case, name)
        assert type(value) is (int if name in INTEGERS else float), name
        assert value == defaults.get(name, 0.0), name


def test_the_python_equivalent_writes_the_example_file_byte_for_byte(tmp_path):
    example_case().write(tmp_path / "caso1.dad")
    assert (tmp_path / "caso1.dad").read_bytes() == EXAMPLE_FILE.read_bytes()


def test_read_gives_every_field_and_reads_back_equal(tmp_path):
    case = zormek.read(str(EXAMPLE_FILE))
    assert case == example_case()
    assert repr(case) == "<zormek.Case N=2 title='Caso exemplo'>"
    case.write(tmp_path / "again.dad")
    assert zormek.read(tmp_path / "again.dad") == case
    assert (tmp_path / "again.dad").read_bytes() == EXAMPLE_FILE.read_bytes()


def test_arrays_are_views_of_the_case_without_a_copy(tmp_path):
    case = zormek.read(EXAMPLE_FILE)
    loads = case.loads
    assert loads.dtype == np.float64 and loads.flags.writeable and loads.flags.c_contiguous
    assert np.shares_memory(loads, case.loads)
    case.loads *= 1.1
    loads[1] = 1000.0
    case.durations[:] = [1, 2]
    assert case.loads.tolist() == [500 * 1.1, 1000.0] and case.durations.tolist() == [1.0, 2.0]
    case.write(tmp_path / "c.dad")
    assert zormek.read(tmp_path / "c.dad").loads.tolist() == [550.0, 1000.0]


def test_a_view_outlives_its_case_and_a_new_table():
    case = zormek.read(EXAMPLE_FILE)
    old = case.durations
    case.set_table(np.arange(1.0, 6.0), np.full(5, 100.0))
    assert case.N == 5 and case.durations.tolist() == [1, 2, 3, 4, 5]
    assert old.tolist() == [10.0, 14.0] and not np.shares_memory(old, case.durations)
    old[0] = 99.0  # the retired storage stays writable and belongs to nobody else
    assert case.durations[0] == 1.0
    loads = case.loads
    del case
    assert loads.tolist() == [100.0] * 5


def test_assigning_a_whole_array_copies_into_the_case():
    case = zormek.read(EXAMPLE_FILE)
    view = case.loads
    case.loads = [1.5, 2.5]
    assert view.tolist() == [1.5, 2.5]
    with pytest.raises(zormek.CaseError) as refused:
        case.loads = [1.0, 2.0, 3.0]
    assert (refused.value.code, str(refused.value)) == (
        "out-of-range", "loads: 3 valores para 2 intervalos (set_table muda o número de intervalos).")


def test_copies_share_nothing():
    case = zormek.read(EXAMPLE_FILE)
    for other in (case.copy(), copy.copy(case), copy.deepcopy(case)):
        assert other == case
        other.loads[0] = 1.0
        other.Vtot = 7.0
        assert case.loads[0] == 500.0 and case.Vtot == 0.0


def test_fields_are_typed():
    case = zormek.Case()
    case.Vtot = 3
    assert type(case.Vtot) is float
    case.Maxit = 2**31 - 1
    with pytest.raises(TypeError, match="Maxit é inteiro, não float"):
        case.Maxit = 30.0
    with pytest.raises(TypeError):
        case.Vtot = "1,5"
    with pytest.raises(AttributeError):
        case.N = 3
    with pytest.raises(AttributeError):
        case.vtot = 1.0


# Every refusal of the module: (what, action, code, message).
REFUSALS = [
    ("integer beyond 32 bits", lambda c: setattr(c, "nu", 2**31), "out-of-range",
     "nu: 2147483648 está fora do intervalo de -2147483648 a 2147483647."),
    ("integer far beyond 64 bits", lambda c: setattr(c, "iprint", -10**30), "out-of-range",
     "iprint: -1000000000000000000000000000000 está fora do intervalo de -2147483648 a 2147483647."),
    ("real not finite", lambda c: setattr(c, "Vtot", float("nan")), "out-of-range",
     "Vtot: o valor deve ser um número finito, não nan."),
    ("title with a line break", lambda c: setattr(c, "title", "a\nb"), "invalid-title",
     "O título do caso não pode conter quebras de linha ou de página!"),
    ("title outside the code page", lambda c: setattr(c, "title", "\u2192"), "invalid-title",
     'O título do caso contém o caractere "\u2192" (U+2192), que não pode ser gravado no arquivo (Windows-1252)!'),
    ("empty table", lambda c: c.set_table([], []), "out-of-range", "O número de intervalos deve ser pelo menos 1."),
    ("tables of two lengths", lambda c: c.set_table([1, 2], [3]), "out-of-range",
     "durations tem 2 valores e loads 1: os dois devem ter o mesmo tamanho."),
    ("table not finite", lambda c: c.set_table([1, float("inf")], [3, 4]), "out-of-range",
     "Intervalo 2: a duração é inf; só números finitos podem ser gravados."),
    ("table of two dimensions", lambda c: c.set_table([[1]], [[2]]), "out-of-range",
     "durations: esperada uma lista de uma dimensão, não de 2."),
]


@pytest.mark.parametrize("action, code, message", [r[1:] for r in REFUSALS], ids=[r[0] for r in REFUSALS])
def test_refusals_leave_the_case_as_it_was(action, code, message):
    case = example_case()
    with pytest.raises(zormek.CaseError) as refused:
        action(case)
    assert (refused.value.code, refused.value.message, str(refused.value)) == (code, message, message)
    assert case == example_case()


def test_write_refuses_what_gravar_refuses_with_its_messages(tmp_path):
    case = zormek.Case()
    case.set_table([10, 0, 5], [0, 700, 0])
    with pytest.raises(zormek.CaseError) as refused:
        case.write(tmp_path / "x.dad")
    error = refused.value
    assert error.code == "missing-values"
    assert error.details == ["Intervalo não informado!", "Carga não informada!", "Carga não informada!"]
    assert error.message == "\n".join(error.details)
    assert list(tmp_path.iterdir()) == []


def test_write_refuses_values_changed_in_place_that_are_not_finite(tmp_path):
    case = example_case()
    case.loads[1] = np.nan
    with pytest.raises(zormek.CaseError, match=r"^Intervalo 2: a carga é nan; só números finitos podem ser gravados\.$"):
        case.write(tmp_path / "x.dad")
    assert list(tmp_path.iterdir()) == []


def test_write_failure_names_the_file_and_keeps_the_old_one(tmp_path):
    path = tmp_path / "c.dad"
    path.write_bytes(b"old")
    path.chmod(0o444)
    with pytest.raises(zormek.CaseError) as refused:
        example_case().write(path)
    assert refused.value.code == "file-write" and refused.value.file == str(path)
    assert refused.value.message.startswith(f'Não foi possível gravar o arquivo "c.dad" na pasta "{tmp_path}": ')
    assert path.read_bytes() == b"old"


def test_read_of_a_damaged_file_names_line_and_column(tmp_path):
    path = tmp_path / "torto.dad"
    path.write_bytes(EXAMPLE_FILE.read_bytes().replace(b"        30\r\n        10", b"        30\r\n        1x"))
    with pytest.raises(zormek.CaseError) as refused:
        zormek.read(path)
    error = refused.value
    assert (error.code, error.file, error.line, error.column) == ("damaged-file", str(path), 5, 1)
    assert error.message == "Linha 5, coluna 1: esperado um número inteiro."


def test_read_of_a_missing_file(tmp_path):
    with pytest.raises(zormek.CaseError) as refused:
        zormek.read(tmp_path / "nada.dad")
    assert (refused.value.code, refused.value.message) == (
        "file-open", f'Não foi possível abrir o arquivo "{tmp_path}/nada.dad": o arquivo não existe.')


def test_to_dataframe_with_pandas():
    pandas = pytest.importorskip("pandas")
    frame = zormek.read(EXAMPLE_FILE).to_dataframe()
    assert isinstance(frame, pandas.DataFrame)
    assert list(frame.columns) == ["intervalo", "duracao", "carga"]
    assert frame.values.tolist() == [[1, 10.0, 500.0], [2, 14.0, 700.0]]


def test_to_dataframe_without_pandas(monkeypatch):
    monkeypatch.setitem(sys.modules, "pandas", None)
    with pytest.raises(ImportError, match=r"to_dataframe precisa do pandas \(pacote python3-pandas\)\."):
        zormek.Case().to_dataframe()


def test_case_error_is_an_exception_with_its_fields():
    error = zormek.CaseError("m", code="damaged-file", details=["a"], file="f", line=2, column=3)
    assert isinstance(error, Exception) and str(error) == "m"
    assert (error.code, error.details, error.file, error.line, error.column) == ("damaged-file", ["a"], "f", 2, 3)
