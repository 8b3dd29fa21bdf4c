"""Summarises scripts/bench's runs: prints the table and writes bench.json,
then exits 1 when a figure missed its target.

bench_report.py RUNS LOGO_SIMD LOGO_NO_SIMD IMPORTS WINDOWS_DLLS PRODUCT BASELINE FLOOR
                FULL_RUNTIME OUT LOAD_BEFORE LOAD_AFTER
"""
import json
import os
import platform
import statistics
import subprocess
import sys
from datetime import datetime, timezone

# The figures held to a target: figure, label, limit, and whether it must stay
# at or below the limit ("<=") or under it ("<"). The ratios to the bare window
# have none: the bare window does nothing Trelvane must do, so they are shown
# for information only.
TARGETS = [
    ("floor_start_to_paint_ratio", "start-to-paint ratio to floor", 1.05, "<="),
    ("floor_working_set_ratio", "peak working set ratio to floor", 1.02, "<="),
    ("exe_size_bytes", "executable size (bytes)", 512 * 1024, "<="),
    ("imports_not_windows_count", "DLLs imported beyond Windows'", 0, "<="),
    ("logo_decode_draw_ms_worst_median", "logo decode+draw, worst median (ms)", 5.0, "<"),
]


def summary(values):
    return {"median": statistics.median(values), "min": min(values), "max": max(values)}


def cpu_model():
    for line in open("/proc/cpuinfo"):
        if line.startswith("model name"):
            return line.split(":", 1)[1].strip()
    return platform.processor()


def wine_version():
    try:
        return subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    except OSError:
        return "unknown"


def met(value, limit, comparison):
    return value <= limit if comparison == "<=" else value < limit


def main(args):
    (records, logo_simd, logo_nosimd, imports_file, windows_dlls_file, product, baseline, floor,
     full_runtime, out, load_before, load_after) = args
    load_before, load_after = (open(f).read().strip() for f in (load_before, load_after))

    runs = [json.loads(line) for line in open(records) if line.strip()]
    for r in runs:
        p = r["probe"]
        if not p.get("painted") or not p.get("exited") or p.get("exit_code") != 0:
            sys.exit(f"bench: a run failed: {json.dumps(r)}")

    def series(program, key):
        return [r["probe"][key] for r in runs if r["program"] == program]

    programs = ("product", "baseline", "floor")
    paint = {p: series(p, "start_to_paint_ms") for p in programs}
    memory = {p: series(p, "peak_working_set_bytes") for p in programs}
    pair_ratios = [a / b for a, b in zip(paint["product"], paint["baseline"])]
    floor_paint_ratios = [a / b for a, b in zip(paint["product"], paint["floor"])]
    floor_memory_ratios = [a / b for a, b in zip(memory["product"], memory["floor"])]

    logo = {"simd": json.load(open(logo_simd)), "no_simd": json.load(open(logo_nosimd))}
    imports = [line.strip() for line in open(imports_file) if line.strip()]
    windows_dlls = {line.strip() for line in open(windows_dlls_file)
                    if line.strip() and not line.startswith("#")}
    foreign = [d for d in imports if d.lower() not in windows_dlls]

    result = {
        "start_to_paint_ratio": statistics.median(pair_ratios),
        "start_to_paint_ratio_of_medians":
            statistics.median(paint["product"]) / statistics.median(paint["baseline"]),
        "start_to_paint_pair_ratios": summary(pair_ratios),
        "start_to_paint_ms": {p: summary(v) for p, v in paint.items()},
        "working_set_ratio":
            statistics.median(memory["product"]) / statistics.median(memory["baseline"]),
        "peak_working_set_bytes": {p: summary(v) for p, v in memory.items()},
        "floor_start_to_paint_ratio": statistics.median(floor_paint_ratios),
        "floor_start_to_paint_pair_ratios": summary(floor_paint_ratios),
        "floor_working_set_ratio": statistics.median(floor_memory_ratios),
        "floor_working_set_pair_ratios": summary(floor_memory_ratios),
        "logo_decode_draw": logo,
        "logo_decode_draw_ms_worst_median":
            max(logo["simd"]["decode_draw_ms_median"], logo["no_simd"]["decode_draw_ms_median"]),
        "exe_size_bytes": os.path.getsize(product),
        "baseline_exe_size_bytes": os.path.getsize(baseline),
        "floor_exe_size_bytes": os.path.getsize(floor),
        # The same program with the C++ library's own error paths (src/runtime_hooks.cpp left out).
        "exe_size_bytes_without_runtime_hooks": os.path.getsize(full_runtime),
        "imports": imports,
        "imports_not_windows": foreign,
        "imports_not_windows_count": len(foreign),
        "runs_per_program": len(paint["product"]),
        "raw": {"start_to_paint_ms": paint, "peak_working_set_bytes": memory},
        "machine": {
            "uname": " ".join(platform.uname()),
            "cpu_model": cpu_model(),
            "nproc": os.cpu_count(),
            "wine": wine_version(),
            "date": datetime.now(timezone.utc).isoformat(timespec="seconds"),
            "load_average_before": load_before,
            "load_average_after": load_after,
        },
    }
    result["targets"] = {figure: {"limit": limit, "comparison": comparison}
                         for figure, _, limit, comparison in TARGETS}
    result["targets_met"] = {figure: met(result[figure], limit, comparison)
                             for figure, _, limit, comparison in TARGETS}
    with open(out, "w") as f:
        json.dump(result, f, indent=2)
    print_table(result, paint, memory, pair_ratios, floor_paint_ratios, floor_memory_ratios, logo)
    print(f"\nwritten: {out}")
    missed = [label for figure, label, _, _ in TARGETS if not result["targets_met"][figure]]
    if missed:
        sys.exit("bench: target missed: " + "; ".join(missed))


def print_table(result, paint, memory, pair_ratios, floor_paint_ratios, floor_memory_ratios, logo):
    m = result["machine"]
    print(f"Trelvane benchmark, {m['date']}")
    print(f"machine: {m['cpu_model']}, {m['nproc']} CPUs, {m['uname']}, {m['wine']}")
    print(f"load average before/after: {m['load_average_before']} / {m['load_average_after']}")
    print(f"{result['runs_per_program']} runs each, alternating, after a warm-up\n")
    print(f"{'':32}{'median':>10}{'min':>10}{'max':>10}")

    def row(label, values, digits=3, scale=1):
        s = summary(values)
        cells = (f"{s[k] / scale:10.{digits}f}" for k in ("median", "min", "max"))
        print(f"{label:32}" + "".join(cells))

    names = (("Trelvane", "product"), ("baseline", "baseline"), ("floor", "floor"))
    for name, program in names:
        row(f"{name} start to paint (ms)", paint[program], 1)
    row("ratio to baseline, pair by pair", pair_ratios)
    row("ratio to floor, pair by pair", floor_paint_ratios)
    for name, program in names:
        row(f"{name} peak working set (MiB)", memory[program], 2, 1048576)
    row("ratio to floor, pair by pair", floor_memory_ratios)
    for label, key in (("logo decode+draw, SIMD (ms)", "simd"),
                       ("logo decode+draw, no SIMD (ms)", "no_simd")):
        l = logo[key]
        print(f"{label:32}{l['decode_draw_ms_median']:10.2f}{l['decode_draw_ms_min']:10.2f}"
              f"{l['decode_draw_ms_max']:10.2f}   (decode {l['decode_ms_median']:.2f}, "
              f"draw {l['draw_ms_median']:.2f})")
    print()
    print(f"{'figure':38}{'value':>14}  {'target':>12}")
    for figure, label, limit, comparison in TARGETS:
        value = result[figure]
        shown = f"{value:14d}" if isinstance(value, int) else f"{value:14.3f}"
        verdict = "met" if result["targets_met"][figure] else "MISSED"
        print(f"{label:38}{shown}  {comparison + ' ' + str(limit):>12}  {verdict}")
    print(f"{'start-to-paint ratio to baseline':38}{result['start_to_paint_ratio']:14.3f}  "
          f"{'information':>12}")
    print(f"{'peak working set ratio to baseline':38}{result['working_set_ratio']:14.3f}  "
          f"{'information':>12}")
    hooks = result["exe_size_bytes_without_runtime_hooks"]
    print(f"{'size without the runtime hooks':38}{hooks:14d}  "
          f"{'(hooks save ' + str(hooks - result['exe_size_bytes']) + ')':>12}")
    foreign = result["imports_not_windows"]
    print(f"imports: {', '.join(result['imports'])}"
          + (f"  (not Windows': {', '.join(foreign)})" if foreign else ""))


if __name__ == "__main__":
    main(sys.argv[1:])
