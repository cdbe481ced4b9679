# Finds the machine's main Debian archive in its apt sources and prints a deb822 "deb-src"
# entry for it, or nothing when there is none.
#
#   awk -v codename=<release codename> -f debian_source.awk <apt source files...>
#
# Reads one-line files (sources.list, *.list: "deb [signed-by=...] <uri> <suite> <components>")
# and deb822 files (*.sources), in the order given. An entry counts if it offers the component
# "main" and is not on a CD; of those, the first whose suite is the release's codename wins, or
# else the first plain suite (no "-updates", "-security", ...) of an archive whose path ends in
# "/debian", such as "stable". Its signing key and "trusted" setting come along.

function trim(s) {
    sub(/^[ \t]+/, "", s)
    sub(/[ \t]+$/, "", s)
    return s
}

function has_word(list, word,    n, w, i) {
    n = split(list, w)
    for (i = 1; i <= n; i++)
        if (w[i] == word)
            return 1
    return 0
}

function consider(uri, suite, components, signed_by, trusted,    rank) {
    if (uri ~ /^cdrom:/ || !has_word(components, "main"))
        return
    if (codename != "" && suite == codename)
        rank = 2
    else if (suite !~ /[-\/]/ && uri ~ /\/debian\/?$/)
        rank = 1
    else
        return
    if (rank <= best_rank)
        return
    best_rank = rank
    best_uri = uri
    best_suite = suite
    best_signed_by = signed_by
    best_trusted = trusted
}

# A one-line entry; signed_by keeps the text after "Signed-By:" as a deb822 field would have it.
function one_line(line,    type, rest, close_at, n, w, i, signed_by, trusted) {
    sub(/#.*/, "", line)
    line = trim(line)
    type = line
    sub(/[ \t].*/, "", type)
    if (type != "deb" && type != "deb-src")
        return
    rest = trim(substr(line, length(type) + 1))
    if (substr(rest, 1, 1) == "[") {
        close_at = index(rest, "]")
        if (close_at == 0)
            return
        n = split(substr(rest, 2, close_at - 2), w)
        for (i = 1; i <= n; i++) {
            if (tolower(w[i]) ~ /^signed-by=/)
                signed_by = " " substr(w[i], 11)
            else if (tolower(w[i]) == "trusted=yes")
                trusted = 1
        }
        rest = substr(rest, close_at + 1)
    }
    n = split(rest, w)
    if (n < 3)
        return
    rest = ""
    for (i = 3; i <= n; i++)
        rest = rest " " w[i]
    consider(w[1], w[2], rest, signed_by, trusted)
}

# The deb822 paragraph read so far: field[lower-case name] holds the raw text after the colon,
# continuation lines included.
function end_paragraph(    nu, ns, uris, suites, i, j, trusted) {
    if (paragraph && tolower(trim(field["enabled"])) != "no" &&
        (has_word(field["types"], "deb") || has_word(field["types"], "deb-src"))) {
        trusted = tolower(trim(field["trusted"])) == "yes"
        nu = split(field["uris"], uris)
        ns = split(field["suites"], suites)
        for (i = 1; i <= nu; i++)
            for (j = 1; j <= ns; j++)
                consider(uris[i], suites[j], field["components"], field["signed-by"], trusted)
    }
    split("", field)
    paragraph = 0
    last = ""
}

FNR == 1 { end_paragraph() }

FILENAME !~ /\.sources$/ {
    one_line($0)
    next
}

/^#/ { next }
/^[ \t]*$/ {
    end_paragraph()
    next
}
/^[ \t]/ {
    if (last != "")
        field[last] = field[last] "\n" $0
    next
}
index($0, ":") > 0 {
    last = tolower(substr($0, 1, index($0, ":") - 1))
    field[last] = substr($0, index($0, ":") + 1)
    paragraph = 1
}

END {
    end_paragraph()
    if (best_rank == 0)
        exit
    print "Types: deb-src"
    print "URIs: " best_uri
    print "Suites: " best_suite
    print "Components: main"
    if (trim(best_signed_by) != "")
        print "Signed-By:" best_signed_by
    if (best_trusted)
        print "Trusted: yes"
}
