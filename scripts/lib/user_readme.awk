# user_readme.awk: the README.txt of the download, made from README.md at
# packaging time so that the two cannot drift: the title and introduction,
# and the sections named in `sections` (titles separated by "|"). Markdown
# marks become plain text; scripts/package turns the line ends into CRLF.
BEGIN { part = "intro"; split(sections, wanted, "|"); for (i in wanted) isWanted[wanted[i]] = 1 }

function underline(text, mark,    line) {
    line = text
    gsub(/./, mark, line)
    print text; print line
}
/^# / { underline(substr($0, 3) " " version, "="); next }
/^## / {
    part = (substr($0, 4) in isWanted) ? "user" : "other"
    if (part == "user") underline(substr($0, 4), "-")
    next
}
part == "other" { next }
/^```/ { fenced = !fenced; next }
fenced { print "    " $0; next }
# Tables: cells side by side, the separator row dropped.
/^\|/ {
    if ($0 ~ /^\|[- |]+\|$/) next
    n = split($0, cells, "|")
    line = "   "
    for (i = 2; i < n; i++) {
        cell = cells[i]; gsub(/^ +| +$/, "", cell); gsub(/`/, "", cell)
        line = line sprintf(i < n - 1 ? "%-8s" : "%s", cell)
    }
    print line
    next
}
{ line = $0; gsub(/`/, "", line); gsub(/\*\*/, "", line); print line }
