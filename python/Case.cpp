#include "python/Case.h"

#include <pybind11/numpy.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "case/CaseEdit.h"
#include "case/CaseFields.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"
#include "python/Arrays.h"

namespace zormek {

namespace {

using TDoubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

py::object FileName(const std::string& bytes) {
  return py::reinterpret_steal<py::object>(
      PyUnicode_DecodeFSDefaultAndSize(bytes.data(), static_cast<py::ssize_t>(bytes.size())));
}

TError Refusal(TErrc code, std::string message) { return MakeError(code, std::move(message)); }

// The values of an array argument: float64, one dimension.
TDoubles Values(const py::handle& values, std::string_view name) {
  TDoubles array = TDoubles::ensure(values);
  if (!array) {
    PyErr_Clear();
    throw py::type_error(std::string(name) + ": esperada uma sequência de números.");
  }
  if (array.ndim() != 1) {
    RaiseCaseError(Refusal(TErrc::OutOfRange, std::string(name) + ": esperada uma lista de uma dimensão, não de " +
                                                  std::to_string(array.ndim()) + "."));
  }
  return array;
}

void SetTable(TCase& self, const py::handle& durations, const py::handle& loads) {
  const TDoubles d = Values(durations, kDurationsName);
  const TDoubles l = Values(loads, kLoadsName);
  if (d.size() != l.size()) {
    RaiseCaseError(Refusal(TErrc::OutOfRange, "durations tem " + std::to_string(d.size()) + " valores e loads " +
                                                  std::to_string(l.size()) + ": os dois devem ter o mesmo tamanho."));
  }
  TCaseData table;
  Check(SetIntervals(table, d.data(), l.data(), static_cast<std::size_t>(d.size())));
  ReplaceArrays(self, std::move(table.durations), std::move(table.loads), table.N);
}

// caso.loads = valores: the same number of values, copied into the case's
// own storage (views already handed out see them). The view itself given
// back, as "caso.loads *= 1.1" does, is already there.
void AssignArray(TCase& self, TArrayKind kind, const py::handle& values) {
  const std::string_view name = kind == kDurations ? kDurationsName : kLoadsName;
  const TDoubles given = Values(values, name);
  const auto n = static_cast<py::ssize_t>(self.data.N);
  if (given.size() != n) {
    RaiseCaseError(Refusal(TErrc::OutOfRange, std::string(name) + ": " + std::to_string(given.size()) +
                                                  " valores para " + std::to_string(n) +
                                                  " intervalos (set_table muda o número de intervalos)."));
  }
  double* storage = Storage(self, kind);
  if (given.data() == storage) return;
  Check(CheckFiniteIntervals(kind == kDurations ? given.data() : nullptr, kind == kLoads ? given.data() : nullptr,
                             static_cast<std::size_t>(n)));
  std::memmove(storage, given.data(), static_cast<std::size_t>(n) * sizeof(double));
}

bool SameCase(const TCase& a, const TCase& b) {
  if (a.title != b.title || a.data.N != b.data.N) return false;
  for (const TCaseField& field : CaseFields()) {
    const bool same = field.kind == TFieldKind::Integer ? field.Integer(a.data) == field.Integer(b.data)
                                                        : field.Real(a.data) == field.Real(b.data);
    if (!same) return false;
  }
  const std::size_t n = a.data.durations.size();
  if (b.data.durations.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (a.data.durations[i] != b.data.durations[i] || a.data.loads[i] != b.data.loads[i]) return false;
  }
  return true;
}

std::unique_ptr<TCase> CopyOf(const TCase& self) {
  auto copy = std::make_unique<TCase>();
  copy->data = DeepCopy(self.data);
  copy->title = self.title;
  return copy;
}

void DeclareField(py::class_<TCase>& type, const TCaseField& field) {
  const std::string doc = std::string(field.caption) + (field.kind == TFieldKind::Integer ? " (int)" : " (float)");
  if (field.kind == TFieldKind::Integer) {
    type.def_property(
        std::string(field.name).c_str(), [&field](const TCase& self) { return field.Integer(self.data); },
        [&field](TCase& self, const py::object& value) {
          if (!PyLong_Check(value.ptr())) {
            throw py::type_error(std::string(field.name) + " é inteiro, não " +
                                 std::string(py::str(py::type::of(value).attr("__name__"))) + ".");
          }
          Check(SetFieldText(self.data, field, std::string(py::str(value))));
        },
        doc.c_str());
  } else {
    type.def_property(
        std::string(field.name).c_str(), [&field](const TCase& self) { return field.Real(self.data); },
        [&field](TCase& self, double value) { Check(SetRealField(self.data, field, value)); }, doc.c_str());
  }
}

}  // namespace

TCase::~TCase() = default;

py::object Text(const std::string& utf8) {
  return py::reinterpret_steal<py::object>(
      PyUnicode_DecodeUTF8(utf8.data(), static_cast<py::ssize_t>(utf8.size()), "backslashreplace"));
}

[[noreturn]] void RaiseCaseError(const TError& error) {
  const py::object type = py::module_::import("zormek").attr("CaseError");
  py::list details;
  for (const std::string& detail : error.details) details.append(Text(detail));
  const py::object instance = type(Text(error.message), py::str(ErrcName(error.code)), details,
                                   FileName(error.file), error.line, error.column);
  PyErr_SetObject(type.ptr(), instance.ptr());
  throw py::error_already_set();
}

std::string PathArgument(const py::object& path) {
  const py::object name = py::module_::import("os").attr("fspath")(path);
  if (PyBytes_Check(name.ptr())) return std::string(py::bytes(name));
  const py::object bytes = py::module_::import("os").attr("fsencode")(name);
  return std::string(py::bytes(bytes));
}

void DeclareCase(py::module_& module) {
  py::class_<TCase> type(module, "Case", R"(Um caso do ZORMEK: o registro que a janela edita e o título.

Case() é o registro de uma janela nova: um intervalo sem duração nem carga,
os campos em 0, os parâmetros do algoritmo nos seus valores iniciais e o
título vazio. Cada campo tem o seu nome no programa (base, c0, ..., Vtot,
..., nu, ..., iprint); durations e loads são arrays numpy float64 sobre os
próprios valores do caso (sem cópia, graváveis).)");
  type.def(py::init([] {
    auto fresh = std::make_unique<TCase>();
    Check(fresh->data.Create(1));
    return fresh;
  }));
  type.def_property("title", [](const TCase& self) { return Text(self.title); },
                    [](TCase& self, const std::string& title) {
                      TResult<std::string> checked = CheckTitle(title);
                      if (!checked) RaiseCaseError(checked.Error());
                      self.title = title;
                    },
                    "O título do caso (str, até 80 caracteres, sem quebras de linha)");
  type.def_property_readonly("N", [](const TCase& self) { return self.data.N; }, "O número de intervalos (int)");
  for (const TCaseField& field : CaseFields()) DeclareField(type, field);
  type.def_property(
      "durations", [](py::object self) { return ArrayView(self.cast<TCase&>(), self, kDurations); },
      [](TCase& self, const py::object& values) { AssignArray(self, kDurations, values); },
      "As durações dos intervalos em horas (numpy float64, N valores, sem cópia)");
  type.def_property(
      "loads", [](py::object self) { return ArrayView(self.cast<TCase&>(), self, kLoads); },
      [](TCase& self, const py::object& values) { AssignArray(self, kLoads, values); },
      "As cargas dos intervalos em MW (numpy float64, N valores, sem cópia)");
  type.def("set_table", &SetTable, py::arg("durations"), py::arg("loads"),
           "Troca a tabela de intervalos: durations e loads do mesmo tamanho (pelo menos 1).\n"
           "Arrays obtidos antes continuam com os valores antigos.");
  type.def(
      "write",
      [](const TCase& self, const py::object& path) { Check(SaveCaseFile(self.data, self.title, PathArgument(path))); },
      py::arg("path"),
      "Grava o caso como o botão GRAVAR: recusa intervalos sem duração ou sem carga, com as mesmas\n"
      "mensagens, e substitui o arquivo inteiro ou não o toca. Levanta CaseError.");
  type.def("copy", &CopyOf, "Uma cópia independente do caso");
  type.def("__copy__", &CopyOf);
  type.def("__deepcopy__", [](const TCase& self, const py::object&) { return CopyOf(self); }, py::arg("memo"));
  type.def("__eq__", [](const TCase& a, const py::object& b) -> py::object {
    if (!py::isinstance<TCase>(b)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
    return py::bool_(SameCase(a, b.cast<const TCase&>()));
  });
  type.attr("__hash__") = py::none();
  type.def("__repr__", [](const TCase& self) {
    return py::str("<zormek.Case N={} title={!r}>").format(self.data.N, Text(self.title));
  });
  type.def("to_dataframe", [](py::object self) {
    py::module_ pandas;
    try {
      pandas = py::module_::import("pandas");
    } catch (py::error_already_set& error) {
      if (!error.matches(PyExc_ImportError)) throw;
      PyErr_SetString(PyExc_ImportError, "to_dataframe precisa do pandas (pacote python3-pandas).");
      throw py::error_already_set();
    }
    const TCase& c = self.cast<const TCase&>();
    const py::module_ numpy = py::module_::import("numpy");
    py::dict columns;
    columns["intervalo"] = numpy.attr("arange")(1, c.data.N + 1);
    columns["duracao"] = self.attr("durations").attr("copy")();
    columns["carga"] = self.attr("loads").attr("copy")();
    return pandas.attr("DataFrame")(columns);
  }, "A tabela de intervalos como pandas.DataFrame (colunas intervalo, duracao, carga; uma cópia)");

  module.def(
      "read",
      [](const py::object& path) {
        const std::string name = PathArgument(path);
        auto read = std::make_unique<TCase>();
        TStatus status;
        {
          py::gil_scoped_release unlocked;
          status = ReadCaseFile(name, &read->data, &read->title);
        }
        Check(status);
        return read;
      },
      py::arg("path"),
      "Lê um arquivo de caso (.dad) gravado pelo programa. Um arquivo danificado levanta CaseError\n"
      "com a linha e a coluna.");
}

}  // namespace zormek
