#!/usr/bin/env python3
"""Estudo de sensibilidade: 50 casos a partir de um caso base.

As cargas de todos os intervalos vão de 0,9 a 1,1 vez as do caso base (10 fatores) e o volume
de água disponível (Vtot) de 0,8 a 1,2 vez o do caso base (5 fatores); cada combinação é gravada
como um caso, exatamente como o botão GRAVAR a gravaria, e uma tabela resume o estudo.

    python3 estudo_sensibilidade.py caso_base.dad pasta_do_estudo
"""

import argparse
import pathlib
import sys

import numpy as np

import zormek

LOAD_FACTORS = np.linspace(0.9, 1.1, 10)
VTOT_FACTORS = np.linspace(0.8, 1.2, 5)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("base", help="o caso base (.dad)")
    parser.add_argument("pasta", help="onde gravar os casos (criada se não existir)")
    args = parser.parse_args(argv)

    try:
        case = zormek.read(args.base)
    except zormek.CaseError as error:
        print(f"{args.base}: {error}", file=sys.stderr)
        return 1
    folder = pathlib.Path(args.pasta)
    folder.mkdir(parents=True, exist_ok=True)
    base_loads = case.loads.copy()  # case.loads is the case's own storage: keep the base values aside
    base_vtot = case.Vtot
    hours = case.durations.sum()

    rows = []
    for i, load_factor in enumerate(LOAD_FACTORS):
        for j, vtot_factor in enumerate(VTOT_FACTORS):
            name = f"caso_{i * len(VTOT_FACTORS) + j + 1:02d}.dad"
            case.loads[:] = base_loads * load_factor
            case.Vtot = base_vtot * vtot_factor
            case.title = f"Sensibilidade: carga x{load_factor:.3f}, Vtot x{vtot_factor:.2f}"
            try:
                case.write(folder / name)
            except zormek.CaseError as error:
                print(f"{name}: {error}", file=sys.stderr)
                return 1
            energy = float(np.dot(case.durations, case.loads))
            rows.append((name, load_factor, case.Vtot, energy, case.loads.max(), energy / hours))

    print(f"{'arquivo':<12} {'fator carga':>11} {'Vtot':>12} {'energia (MWh)':>14} {'pico (MW)':>10} "
          f"{'média (MW)':>11}")
    for name, load_factor, vtot, energy, peak, mean in rows:
        print(f"{name:<12} {load_factor:>11.3f} {vtot:>12.2f} {energy:>14.2f} {peak:>10.2f} {mean:>11.2f}")
    print(f"{len(rows)} casos gravados em {folder}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
