# SPDX-License-Identifier: GPL-2.0-or-later
# A metrics file in the text format as promtool's input_series: every sample
# a series of its value repeated, labelled as a scrape would label it.
#
# usage: awk -v instance=NAME -v samples=N -f input-series.awk FILE
/^#/ || NF == 0 { next }
{
    value = $NF
    series = substr($0, 1, length($0) - length(value) - 1)
    scraped = "instance=\"" instance "\",job=\"node\""
    if (series ~ /}$/)
        series = substr(series, 1, length(series) - 1) "," scraped "}"
    else
        series = series "{" scraped "}"
    # Single-quoted YAML: a quote is written twice.
    gsub(/'/, "''", series)
    printf "      - series: '%s'\n        values: '%sx%d'\n", series, value, samples
}
