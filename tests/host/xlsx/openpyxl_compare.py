"""Compares workbooks as openpyxl reads them: each saved copy against its original and against
the recorded facts of the original. Prints one line per workbook: "OK <name>" or
"FAIL <name>: <differences>". Arguments: facts.json (or "-" to compare the pairs only), then
triples of name, original, saved."""
import json
import sys
import warnings

warnings.simplefilter("ignore")
import openpyxl  # noqa: E402


def chart_types(container):
    return [[type(plot).__name__ for plot in chart._charts] for chart in container._charts]


def snapshot(path):
    wb = openpyxl.load_workbook(path)
    shot = {
        "sheets": [[ws.title, ws.sheet_state, "chartsheet" if ws in wb.chartsheets else "worksheet"]
                   for ws in wb._sheets],
        "names": sorted([n.name, n.localSheetId, n.value, bool(n.hidden)] for n in wb.defined_names.definedName),
        "epoch": str(wb.epoch.date()),
        "content": {},
    }
    for ws in wb.worksheets:
        cells = {}
        for row in ws.iter_rows():
            for c in row:
                if c.value is not None:
                    cells[c.coordinate] = c.value
        shot["content"][ws.title] = {
            "cells": cells,
            "merged": sorted(str(r) for r in ws.merged_cells.ranges),
            "charts": chart_types(ws),
            "images": len(ws._images),
            "heights": sorted((k, d.height) for k, d in ws.row_dimensions.items() if d.customHeight),
            "widths": sorted((k, d.width) for k, d in ws.column_dimensions.items() if d.customWidth),
            "number_formats": sorted({c.number_format for row in ws.iter_rows() for c in row}),
            "fonts": sorted({(c.font.name or "", c.font.sz or 0, bool(c.font.b)) for row in ws.iter_rows() for c in row}),
            "freeze": ws.freeze_panes,
            "validations": len(ws.data_validations.dataValidation),
            "conditional": len(ws.conditional_formatting),
            "hyperlinks": len(ws._hyperlinks),
        }
    for cs in wb.chartsheets:
        shot["content"][cs.title] = {"charts": chart_types(cs)}
    return shot


def differences(a, b, path=""):
    if isinstance(a, dict) and isinstance(b, dict):
        out = []
        for key in sorted(set(a) | set(b), key=str):
            if key not in a or key not in b:
                out.append(f"{path}/{key}: only in {'saved' if key in b else 'original'}")
            else:
                out += differences(a[key], b[key], f"{path}/{key}")
        return out
    return [] if a == b else [f"{path}: {str(a)[:200]} != {str(b)[:200]}"]


def against_facts(shot, facts):
    out = []
    names = [s[0] for s in shot["sheets"]]
    if names != facts["sheet_names"]:
        out.append(f"sheet names {names} != facts {facts['sheet_names']}")
    for sheet in facts["sheets"]:
        content = shot["content"].get(sheet["title"])
        if content is None:
            out.append(f"sheet {sheet['title']} missing")
            continue
        if len(content["charts"]) != sheet["charts"]:
            out.append(f"{sheet['title']}: {len(content['charts'])} charts, facts {sheet['charts']}")
        if "images" in content and content["images"] != sheet["images"]:
            out.append(f"{sheet['title']}: {content['images']} images, facts {sheet['images']}")
        if "merged" in content:
            if len(content["merged"]) != sheet["merged_count"]:
                out.append(f"{sheet['title']}: {len(content['merged'])} merges, facts {sheet['merged_count']}")
            if isinstance(sheet["merged_ranges"], list) and sorted(sheet["merged_ranges"]) != content["merged"]:
                out.append(f"{sheet['title']}: merged ranges differ from facts")
            if len(content["cells"]) != sheet["non_empty_cells"]:
                out.append(f"{sheet['title']}: {len(content['cells'])} cells, facts {sheet['non_empty_cells']}")
    fact_names = sorted([n["name"], n["local_sheet_id"], n["value"], n["hidden"]] for n in facts["defined_names"])
    if shot["names"] != fact_names:
        out.append(f"defined names {shot['names'][:5]} != facts {fact_names[:5]}")
    return out


def main():
    facts = json.load(open(sys.argv[1]))["files"] if sys.argv[1] != "-" else None
    args = sys.argv[2:]
    for i in range(0, len(args), 3):
        name, original, saved = args[i:i + 3]
        try:
            before, after = snapshot(original), snapshot(saved)
            found = differences(before, after)
            if facts is not None:
                found += against_facts(after, facts[name])
        except Exception as error:  # a reader failure is a finding like any other
            found = [f"openpyxl failed: {type(error).__name__}: {error}"]
        print(("OK " + name) if not found else ("FAIL " + name + ": " + "; ".join(found[:8])), flush=True)


main()
