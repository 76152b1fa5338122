#!/usr/bin/env bash
# Time of the printed protocol for a large table: ROWS rows (default 100000)
# written by the headless tool into an OpenDocument file, the same code the
# protocol window's "Печать" runs. Usage: bench/records/protocol_print.sh [BUILD_DIR] [ROWS]
set -euo pipefail
build=${1:-build}
rows=${2:-100000}
cli="$build/bin/mailvornex-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# An empty table made by the program itself, then filled in one transaction.
"$cli" protocol-print --base "$work" "$work/empty.odt" >/dev/null 2>&1
python3 - "$work/Protocol/Protocol.db" "$rows" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.create_collation("MV1251NOCASE", lambda a, b: (a.lower() > b.lower()) - (a.lower() < b.lower()))
rows = int(sys.argv[2])
db.executemany(
    "INSERT INTO Protocol(FDate, FTime, FName, FDir, FFrom, FTema, FComment) VALUES(?,?,?,?,?,?,?)",
    ((46000 + i % 365, i % 86400, "отчёт_%06d.xls" % i, "/srv/files/бухгалтерия/%03d/" % (i % 100),
      "sender%03d@example.org" % (i % 500), "Ежемесячный отчёт", "") for i in range(rows)))
db.commit()
PY

start=$(date +%s.%N)
"$cli" protocol-print --base "$work" "$work/protocol.odt" ${ORDER:+--order $ORDER} 2>/dev/null
end=$(date +%s.%N)
printf 'protocol-print of %d rows: %.2f s, %d bytes\n' "$rows" "$(echo "$end - $start" | bc)" \
  "$(stat -c %s "$work/protocol.odt")"
