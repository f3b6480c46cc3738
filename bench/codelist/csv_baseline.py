#!/usr/bin/env python3
"""The baseline: Python's csv module reading and writing a code list with the cp932 codec.

  csv_baseline.py generate <file> <entries>   write a code list as the tool writes it
  csv_baseline.py measure <file> <repeats>    print the median read and write times as JSON
"""
import csv
import json
import os
import random
import statistics
import sys
import time

WORDS = ["テレビ", "電源", "音量＋", "音量－", "チャンネル", "入力切替", "エアコン", "冷房", "暖房",
         "照明", "ソース", "ポップ", "表示", "ｱﾝﾌﾟ", "ﾐｭｰﾄ", "録画", "再生", "停止"]


def generate(path, count):
    rng = random.Random(20260512)
    with open(path, "wb") as out:
        for i in range(count):
            name = " ".join(rng.sample(WORDS, 2)) + f" {i}"
            data = "".join(rng.choice("0123456789ABCDEF") for _ in range(480))
            out.write(f'"{name}","{data}"\r\n'.encode("cp932"))


def read(path):
    with open(path, encoding="cp932", newline="") as f:
        return list(csv.reader(f))


def write(path, rows):
    with open(path, "w", encoding="cp932", newline="") as f:
        csv.writer(f, quoting=csv.QUOTE_ALL, lineterminator="\r\n").writerows(rows)


def median_seconds(action, repeats):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        result = action()
        times.append(time.perf_counter() - start)
        del result  # freeing the rows is not part of reading them
    return statistics.median(times)


def measure(path, repeats):
    rows = read(path)
    saved = path + ".python.csv"
    result = {
        "rows": len(rows),
        "read_s": median_seconds(lambda: read(path), repeats),
        "write_s": median_seconds(lambda: write(saved, rows), repeats),
    }
    with open(saved, "rb") as a, open(path, "rb") as b:
        result["same_bytes"] = a.read() == b.read()
    os.remove(saved)
    print(json.dumps(result))


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("generate", "measure"):
        sys.exit(__doc__)
    (generate if sys.argv[1] == "generate" else measure)(sys.argv[2], int(sys.argv[3]))
