// The Python module zormek: the case core of the program, for scripts.

#include <pybind11/eval.h>
#include <pybind11/pybind11.h>

#include "case/CaseFields.h"
#include "python/Case.h"
#include "python/Review.h"

namespace py = pybind11;

PYBIND11_MODULE(zormek, module) {
  module.doc() = R"(Casos do ZORMEK (arquivos .dad) com o mesmo código da janela do zormek_gui.

    caso = zormek.read("caso1.dad")
    caso.loads *= 1.1
    caso.Vtot = 1500.0
    caso.write("caso2.dad")

Um arquivo gravado aqui é, byte a byte, o que o botão GRAVAR gravaria.)";
  // The error of every refusal: the code (a stable name such as
  // "damaged-file") for programs, the message in Portuguese for people.
  py::exec(R"(
class CaseError(Exception):
    """Um caso, um arquivo ou um valor recusado.

    code: o nome estável da falha ("damaged-file", "missing-values", ...);
    message: a mensagem, como a janela a mostraria; details: as mensagens
    uma a uma, quando são várias (as de GRAVAR); file, line, column: onde,
    num arquivo, quando há um lugar (0 quando não há).
    """

    def __init__(self, message, code="", details=(), file="", line=0, column=0):
        super().__init__(message)
        self.message = message
        self.code = code
        self.details = list(details)
        self.file = file
        self.line = line
        self.column = column
)", module.attr("__dict__"));
  module.attr("CaseError").attr("__module__") = "zormek";
  py::tuple names(CaseFields().size());
  for (std::size_t i = 0; i < CaseFields().size(); ++i) names[i] = py::str(std::string(CaseFields()[i].name));
  module.attr("FIELDS") = names;
  zormek::DeclareCase(module);
  zormek::DeclareReview(module);
}
