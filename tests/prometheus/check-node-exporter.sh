#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# A real node_exporter reads the file that `setting metrics --output` writes:
# started on 127.0.0.1 at a port free at run time, with its textfile
# collector alone, pointed at a directory that holds the file; its /metrics,
# read over the loopback, holds every sample of the file and reports no
# error reading it. The exporter is stopped whatever happens.
#
# usage: check-node-exporter.sh CMOSCFG MKIMAGE SOURCE_DIR
set -uo pipefail

tool=$1 mkimage=$2 source=$3
exporter=/usr/bin/prometheus-node-exporter
[ -x "$exporter" ] || { echo "SKIP: $exporter not found (package prometheus-node-exporter)"; exit 77; }
work=$(mktemp -d)
pid=
stop() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap stop EXIT

fail() {
    printf 'FAIL: %s\n' "$*"
    [ ! -s "$work/exporter.log" ] || sed 's/^/  node_exporter: /' "$work/exporter.log"
    exit 1
}

# shellcheck source=tests/prometheus/demo-image.sh
. "$(dirname "$0")/demo-image.sh"
demo_image "$tool" "$mkimage" "$source" "$work/image" || fail "the demo image could not be made"
printf 'Turbo Mode : Enabled\n' >"$work/baseline"
"$tool" setting set "Turbo Mode" Disabled || fail "setting set"
mkdir -m 0755 "$work/textfile"
file=$work/textfile/cmoscfg.prom
"$tool" setting metrics --baseline "$work/baseline" --output "$file" || fail "setting metrics --output"

# GET /metrics from 127.0.0.1:PORT with bash's own socket, in at most 5 s.
scrape() {
    # shellcheck disable=SC2016  # expanded by the inner shell
    timeout 5 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1" || exit 1
        printf "GET /metrics HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n" >&3
        cat <&3' scrape "$1" 2>/dev/null
}

# A port that nobody listens on now; another is tried if the exporter
# cannot have it after all.
for attempt in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 40000))
    scrape "$port" >/dev/null && continue
    # Its own time limit too: it cannot outlive the test even if the trap
    # never runs.
    timeout 60 "$exporter" --web.listen-address="127.0.0.1:$port" --collector.disable-defaults \
        --collector.textfile --collector.textfile.directory="$work/textfile" >"$work/exporter.log" 2>&1 &
    pid=$!
    for _ in $(seq 50); do
        scrape "$port" >"$work/scraped" && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$work/scraped" ] && break
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
done
[ -s "$work/scraped" ] || fail "node_exporter did not serve /metrics (attempt $attempt, port $port)"
grep -q '^HTTP/1\.[01] 200' "$work/scraped" || fail "node_exporter answered: $(head -n 1 "$work/scraped")"
# Plain lines, once: a `tr | grep -q` pipe fails under pipefail whenever
# grep stops reading first and tr dies of SIGPIPE.
tr -d '\r' <"$work/scraped" >"$work/served"

grep -qx 'node_textfile_scrape_error 0' "$work/served" || fail "node_exporter could not read the file"
grep -qF "node_textfile_mtime_seconds{file=\"$file\"}" "$work/served" ||
    grep -qF 'node_textfile_mtime_seconds{file="cmoscfg.prom"}' "$work/served" || fail "node_exporter did not see $file"

# Every sample, by name and value (the exporter sorts each sample's labels
# by name, and writes large numbers as 1.79e+09), and some whole, whose
# labels are in that order already.
samples() {
    grep '^cmoscfg_' | sed -E 's/\{.*\}//' | awk '{ printf "%s %.0f\n", $1, $2 }' | sort
}
diff <(samples <"$file") <(samples <"$work/served") >"$work/diff" ||
    fail "the exporter's samples differ from the file's: $(cat "$work/diff")"
for line in 'cmoscfg_pending_reboot 1' 'cmoscfg_settings_drifting 1' 'cmoscfg_setting_drift{setting="Turbo Mode"} 1' \
    'cmoscfg_bank_checksum_valid{port="72",when="now"} 1' 'cmoscfg_platform_info{platform="K2A07"} 1'; do
    grep -qxF "$line" "$work/served" || fail "not served: $line"
done
echo "node_exporter: served the $(samples <"$file" | wc -l) samples of the file from 127.0.0.1:$port"
