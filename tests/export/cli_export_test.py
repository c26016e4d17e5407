"""mirvosim-cli export end to end: the CSV and JSON read back give the report's cells.

Usage: cli_export_test.py MIRVOSIM_CLI
"""
import csv
import io
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

CLI = sys.argv.pop(1) if len(sys.argv) > 1 else "mirvosim-cli"

# Seven plays with every kind of row: a 1G連 BIG on the first play with a cherry
# and a decided 1G連 in its games, a 1G連 REG right after it, a cherry pre-sign
# releasing a blue BIG, and a BIG by the RT count on the last play, left open.
STORY = [
    (1, 12, 1, 0, 1, 0, 7, 0, 0, 0, 0), (1, 20, 1, 0, 1, 0, 1, 0, 0, 1, 0),
    (1, 30, 1, 0, 1, 0, 12, 0, 0, 1, 1), (1, 40, 1, 0, 1, 0, 10, 0, 0, 1, 0),
    (1, 52, 2, 1, 2, 0, 8, 0, 0, 0, 0), (1, 60, 2, 1, 2, 0, 10, 0, 0, 1, 0),
    (1, 57, 3, 2, 0, 0, 2, 0, 0, 0, 0), (2, 54, 4, 2, 0, 0, 0, 1, 0, 0, 0),
    (3, 66, 5, 2, 1, 1, 7, 1, 1, 0, 0), (3, 70, 5, 2, 1, 1, 11, 0, 0, 1, 6),
    (1, -67, 6, 0, 0, 1, 6, 0, 0, 0, 0), (2, -79, 7, 0, 1, 0, 7, 0, 0, 0, 0),
]
RAW = ["play", "games_since_bonus", "outcome", "mode", "balance", "bonus", "big_color",
       "pre_sign", "pre_sign_blue", "bonus_game", "chain_trigger"]
RAW_INDEX = [2, 0, 6, 3, 1, 4, 5, 7, 8, 9, 10]  # record field of each raw column
TABLES = [("ren", "1G連情報"), ("koyaku", "小役出現率"), ("mode_stay", "モード別滞在率"),
          ("rt_cancel", "RT解除情報")]


def cli(*args, check=True):
    done = subprocess.run([CLI, *args], capture_output=True)
    if check and done.returncode != 0:
        raise AssertionError(f"{args}: exit {done.returncode}: {done.stderr.decode()}")
    return done


def report_sections(path):
    """The report as {caption: [rows of cells]}, header row first."""
    sections, rows = {}, None
    for line in cli("report", path).stdout.decode().split("\n"):
        if line.startswith("["):
            rows = sections.setdefault(line[1:-1], [])
        elif line and rows is not None:
            rows.append(line.split("\t"))
        else:
            rows = None if not line else rows
    return sections


def read_csv(data, lineterminator="\r\n"):
    text = data.decode("utf-8")
    rows = list(csv.reader(io.StringIO(text, newline="")))
    assert text.endswith(lineterminator), "last line without its line end"
    assert text.count("\n") == text.count(lineterminator), "line ends mixed"
    return rows


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class Fixture:
    def __init__(self):
        self.dir = tempfile.TemporaryDirectory()
        self.story = os.path.join(self.dir.name, "story.sim")
        with open(self.story, "wb") as f:
            f.write(struct.pack("<3i", 5, 3, 7))
            for row in STORY:
                f.write(struct.pack("<11i", *row))
        self.run = os.path.join(self.dir.name, "run.sim")
        cli("run", "--setting", "4", "--plays", "3000", "--seed", "11", "--out", self.run)
        self.records = {p: [struct.unpack_from("<11i", b, 12 + 44 * i)
                            for i in range((len(b) - 12) // 44)]
                        for p in (self.story, self.run) for b in [read_bytes(p)]}


FIX = None


def setUpModule():
    global FIX
    FIX = Fixture()


def tearDownModule():
    FIX.dir.cleanup()


class CsvTest(unittest.TestCase):
    def test_csv_cells_equal_report_cells(self):
        for path in (FIX.story, FIX.run):
            report = report_sections(path)
            with self.subTest(path=path, what="plays"):
                rows = read_csv(cli("export", path, "--what", "plays", "--format", "csv").stdout)
                self.assertEqual(rows[0][:7], report["PLAY情報"][0])
                self.assertEqual(rows[0][7:], RAW)
                self.assertEqual([r[:7] for r in rows[1:]], report["PLAY情報"][1:])
                raw = [[int(c) for c in r[7:]] for r in rows[1:]]
                self.assertEqual(raw, [[rec[j] for j in RAW_INDEX] for rec in FIX.records[path]])
            with self.subTest(path=path, what="bonuses"):
                rows = read_csv(cli("export", path, "--what", "bonuses", "--format", "csv").stdout)
                self.assertEqual(rows, report["ボーナス情報"])
            for word, caption in TABLES:
                with self.subTest(path=path, what=word):
                    rows = read_csv(cli("export", path, "--what", word, "--format", "csv").stdout)
                    self.assertEqual(rows, report[caption])
            with self.subTest(path=path, what="tables"):
                rows = read_csv(cli("export", path, "--what", "tables", "--format", "csv").stdout)
                self.assertEqual(rows[0], ["table", "name", "count", "rate", "inverse"])
                expected = [[c] + r for _, c in TABLES for r in report[c][1:]]
                self.assertEqual(rows[1:], expected)
            with self.subTest(path=path, what="summary"):
                rows = read_csv(cli("export", path, "--what", "summary", "--format", "csv").stdout)
                self.assertEqual(rows[0], ["item", "label", "text", "value"])
                summary = "\n".join("\t".join(r) for r in report["シミュレーション結果"])
                for item, label, text, value in rows[1:]:
                    self.assertIn(f"{label}:{text}" if label != "機械割" else f"{label}：{text}", summary)
                    self.assertIn(value, text)

    def test_story_cells(self):
        rows = read_csv(cli("export", FIX.story, "--what", "plays", "--format", "csv").stdout)
        self.assertEqual(rows[1][:7], ["1", "1", "777(赤)", "BIG!", "12", "-", "1G連"])
        self.assertEqual(rows[2][:2], ["-", "-"])
        self.assertEqual(rows[11][4], "-67")
        bonuses = read_csv(cli("export", FIX.story, "--what", "bonuses", "--format", "csv").stdout)
        self.assertEqual(bonuses[-1], ["7", "2", "777(赤)", "規定RT", "-", "", ""])

    def test_bom_and_line_ends(self):
        plain = cli("export", FIX.story, "--what", "bonuses", "--format", "csv").stdout
        bom = cli("export", FIX.story, "--what", "bonuses", "--format", "csv", "--bom").stdout
        lf = cli("export", FIX.story, "--what", "bonuses", "--format", "csv", "--lf").stdout
        self.assertEqual(bom, b"\xef\xbb\xbf" + plain)
        self.assertNotIn(b"\r", lf)
        self.assertEqual(lf.replace(b"\n", b"\r\n"), plain)
        self.assertEqual(read_csv(lf, "\n"), read_csv(plain))


class JsonTest(unittest.TestCase):
    def test_document_matches_report_and_round_trips(self):
        for path in (FIX.story, FIX.run):
            with self.subTest(path=path):
                text = cli("export", path, "--what", "all", "--format", "json").stdout.decode()
                doc = json.loads(text)
                self.assertEqual(json.loads(json.dumps(doc, ensure_ascii=False)), doc)
                report = report_sections(path)
                records = FIX.records[path]
                self.assertEqual(doc["rows"], len(records))
                self.assertEqual(doc["normal_games"], records[-1][2])
                self.assertEqual(doc["summary"]["text"], "\n".join(
                    "\t".join(r) for r in report["シミュレーション結果"]))
                for word, caption in TABLES:
                    table = doc["tables"][word]
                    self.assertEqual([table["caption"]], [caption])
                    self.assertEqual([table["columns"]] + [l["cells"] for l in table["lines"]], report[caption])
                    for line in table["lines"]:
                        name, count, rate, inverse = line["cells"]
                        self.assertEqual(line["count"], int(count))
                        self.assertEqual(line["rate"], None if rate == "-" else float(rate))
                        self.assertEqual(line["one_in"], None if inverse == "-" else float(inverse.removeprefix("1/")))
                bonuses = doc["bonuses"]
                self.assertEqual([bonuses["columns"]] + [l["cells"] for l in bonuses["lines"]], report["ボーナス情報"])
                for line in bonuses["lines"]:
                    cells = line["cells"]
                    self.assertEqual([line["play"], line["games_since_bonus"], line["outcome"], line["trigger"],
                                      line["pre_sign_mark"], line["end_mode"]],
                                     [int(cells[0]), int(cells[1])] + cells[2:6])
                    self.assertEqual(line["medals_won"], int(cells[6]) if cells[6] else None)
                plays = doc["play_list"]
                self.assertEqual(plays["columns"], report["PLAY情報"][0] + RAW)
                self.assertEqual([r[:7] for r in plays["rows"]], report["PLAY情報"][1:])
                self.assertEqual([r[7:] for r in plays["rows"]], [[rec[j] for j in RAW_INDEX] for rec in records])

    def test_parts(self):
        for what, keys in [("summary", {"summary"}), ("tables", {"tables"}), ("bonuses", {"bonuses"}),
                           ("plays", {"play_list"}), ("koyaku", {"tables"})]:
            with self.subTest(what=what):
                doc = json.loads(cli("export", FIX.story, "--what", what, "--format", "json").stdout)
                self.assertEqual(set(doc) - {"normal_games", "rows"}, keys)
        doc = json.loads(cli("export", FIX.story, "--what", "koyaku", "--format", "json").stdout)
        self.assertEqual(list(doc["tables"]), ["koyaku"])


class FilesAndErrorsTest(unittest.TestCase):
    def test_out_file_and_folder(self):
        out = os.path.join(FIX.dir.name, "plays.json")
        done = cli("export", FIX.story, "--what", "plays", "--format", "json", "--out", out)
        self.assertEqual(done.stdout, b"")
        self.assertEqual(read_bytes(out),
                         cli("export", FIX.story, "--what", "plays", "--format", "json").stdout)
        folder = os.path.join(FIX.dir.name, "all")
        done = cli("export", FIX.story, "--what", "all", "--format", "csv", "--bom", "--out", folder)
        names = ["plays", "bonuses", "ren", "koyaku", "mode_stay", "rt_cancel", "summary"]
        self.assertEqual(done.stdout.decode().split(), [os.path.join(folder, n + ".csv") for n in names])
        for name in names:
            alone = cli("export", FIX.story, "--what", name, "--format", "csv", "--bom").stdout
            self.assertEqual(read_bytes(os.path.join(folder, name + ".csv")), alone)
        self.assertEqual(sorted(os.listdir(folder)), sorted(n + ".csv" for n in names))  # no temporary left

    def test_errors(self):
        notsim = os.path.join(FIX.dir.name, "notsim.txt")
        with open(notsim, "w") as f:
            f.write("hello")
        old = os.path.join(FIX.dir.name, "keep.csv")
        with open(old, "w") as f:
            f.write("old")
        cases = [
            (["--what", "plays", "--format", "csv"], 2, "usage: mirvosim-cli export FILE"),
            ([FIX.story, "--format", "csv"], 2, "missing option --what"),
            ([FIX.story, "--what", "rows", "--format", "csv"], 2, "unknown --what 'rows'"),
            ([FIX.story, "--what", "plays", "--format", "xml"], 2, "unknown --format 'xml'"),
            ([FIX.story, "--what", "plays", "--format", "json", "--bom"], 2, "CSV only"),
            ([FIX.story, "--what", "all", "--format", "csv"], 2, "give --out FOLDER"),
            ([FIX.story, "--what", "plays", "--format", "csv", "--out"], 2, "--out needs a value"),
            ([FIX.story, "--what", "plays", "--what", "bonuses", "--format", "csv"], 2, "--what is given more than once"),
            ([FIX.story, "--what", "plays", "--format", "csv", "--sep", ";"], 2, "unknown option '--sep'"),
            (["missing.sim", "--what", "plays", "--format", "csv"], 1, "error: cannot open 'missing.sim'"),
            ([FIX.story, "--what", "plays", "--format", "csv", "--bom=yes"], 2, "--bom"),
            ([notsim, "--what", "plays", "--format", "csv"], 1, "Mirvosimファイルではありません"),
            ([notsim, "--what", "plays", "--format", "csv", "--out", old], 1, "Mirvosimファイルではありません"),
            ([FIX.story, "--what", "plays", "--format", "csv", "--out", FIX.dir.name + "/no/such/x.csv"], 1,
             "error: cannot create"),
        ]
        for args, status, message in cases:
            with self.subTest(args=args):
                done = cli("export", *args, check=False)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(message, done.stderr.decode())
                self.assertEqual(done.stdout, b"")
        self.assertEqual(read_bytes(old), b"old")

    def test_failed_write_to_stdout_is_an_error(self):
        with open("/dev/full", "wb") as full:
            done = subprocess.run([CLI, "export", FIX.run, "--what", "plays", "--format", "csv"],
                                  stdout=full, stderr=subprocess.PIPE)
        self.assertEqual(done.returncode, 1)
        self.assertIn(b"cannot write the export: No space left on device", done.stderr)


if __name__ == "__main__":
    unittest.main()
