"""examples/estudo_sensibilidade.py, run as its README shows it."""

import os
import subprocess
import sys

import numpy as np

import zormek
from conftest import EXAMPLE_FILE, EXAMPLES


def test_the_sensitivity_study_writes_fifty_cases_and_their_summary(tmp_path):
    base = zormek.read(EXAMPLE_FILE)
    base.Vtot = 1500.0
    base.write(tmp_path / "base.dad")

    done = subprocess.run([sys.executable, str(EXAMPLES / "estudo_sensibilidade.py"), "base.dad", "estudo"],
                          cwd=tmp_path, capture_output=True, text=True, env=os.environ, timeout=120)
    assert (done.returncode, done.stderr) == (0, "")

    cases = sorted((tmp_path / "estudo").iterdir())
    assert [p.name for p in cases] == [f"caso_{k:02d}.dad" for k in range(1, 51)]
    for k, path in enumerate(cases):
        case = zormek.read(path)
        factor = 0.9 + 0.2 * (k // 5) / 9  # ten load factors, each with five volumes
        assert np.allclose(case.loads, [500 * factor, 700 * factor], rtol=0, atol=0.00501), path.name
        assert case.Vtot == [1200.0, 1350.0, 1500.0, 1650.0, 1800.0][k % 5], path.name
        assert case.durations.tolist() == [10.0, 14.0] and case.base == 100.0

    lines = done.stdout.splitlines()
    assert lines[0].split() == ["arquivo", "fator", "carga", "Vtot", "energia", "(MWh)", "pico", "(MW)", "média",
                                "(MW)"]
    assert len(lines) == 52 and lines[-1] == "50 casos gravados em estudo"
    first = lines[1].split()
    # 0.9 x (10 h x 500 MW + 14 h x 700 MW) = 13320 MWh; peak 630 MW; mean 555 MW over 24 h.
    assert first == ["caso_01.dad", "0.900", "1200.00", "13320.00", "630.00", "555.00"]
