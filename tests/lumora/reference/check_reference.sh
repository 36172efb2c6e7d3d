#!/bin/sh
# Checks that the Lumora reference has an entry for every public name of the library's header.
#
#   sh check_reference.sh HEADER REFERENCE
#
# The names are read from HEADER (lumora/Lumora.h): variables declared `extern`, procedures
# (the name before the parameter list, whatever its attributes and calling convention),
# `constexpr` constants, `typedef`s, `using` aliases, structs, classes, unions and enums with
# their enumerators. Comments, string literals and preprocessor lines are skipped, declarations
# may span lines, a declaration may name several things (`extern LONGINT SETMX, SETMY;`) and
# array bounds do not belong to a name (`STATUSITEM[MAXSTATUSITEMS + 1]` is STATUSITEM). Members
# of records and the bodies of inline procedures are not public names of their own.
#
# A name has an entry when REFERENCE (Markdown) gives it a heading or a table row of its own:
# a code span `NAME` (or a signature with NAME( in it) in a heading, or in the first cell of a
# table row, outside fenced code blocks. Mentions in prose or in usage snippets do not count.
#
# Prints each name without an entry, then one of
#   reference covers N public names                    (exit 0)
#   missing from the reference: M of N public names: ...  (exit 1)
# Finding fewer than 100 names means the extraction broke: that fails too (exit 1).

if [ "$#" -ne 2 ]; then
    echo "usage: sh check_reference.sh HEADER REFERENCE" >&2
    exit 2
fi
HEADER=$1
REFERENCE=$2
for f in "$HEADER" "$REFERENCE"; do
    if [ ! -r "$f" ]; then
        echo "check_reference: cannot read $f" >&2
        exit 2
    fi
done

MIN_NAMES=100

# ---- the header's public names, one a line, in the header's order ------------------------
extract_names() {
    awk '
    function trim(s) { sub(/^[ \t\n]+/, "", s); sub(/[ \t\n]+$/, "", s); return s }
    function lastident(s) {
        s = trim(s)
        if (match(s, /[A-Za-z_][A-Za-z_0-9]*$/)) return substr(s, RSTART, RLENGTH)
        return ""
    }
    # Removes every [...] group, innermost first: array bounds and [[attributes]].
    function strip_brackets(s) {
        while (match(s, /\[[^][]*\]/)) s = substr(s, 1, RSTART - 1) " " substr(s, RSTART + RLENGTH)
        return s
    }
    function emit(n) {
        if (n == "" || n in KEYWORD || n in seen) return
        seen[n] = 1
        print n
    }
    # Splits s at the commas outside (), {} and <>; the pieces go to parts[1..n].
    function split_top(s, parts,    n, i, c, depth, cur) {
        n = 0; depth = 0; cur = ""
        for (i = 1; i <= length(s); i++) {
            c = substr(s, i, 1)
            if (c == "(" || c == "{" || c == "<") depth++
            else if (c == ")" || c == "}" || c == ">") depth--
            if (c == "," && depth == 0) { parts[++n] = cur; cur = "" } else cur = cur c
        }
        parts[++n] = cur
        return n
    }
    # Every name of a declarator list: "LONGINT A, B = 2, *C" gives A, B, C.
    function emit_declarators(s,    parts, n, i, d) {
        n = split_top(s, parts)
        for (i = 1; i <= n; i++) {
            d = parts[i]
            if (match(d, FPTR)) {                                     # pointer to procedure
                d = substr(d, RSTART, RLENGTH - 1); emit(lastident(d)); continue
            }
            sub(/=.*/, "", d)
            sub(/\{.*/, "", d)
            emit(lastident(d))
        }
    }
    function normalize(s) {
        gsub(/[ \t\n\r]+/, " ", s)
        s = trim(strip_brackets(s))
        gsub(/ +/, " ", s)
        sub(/^template ?<[^>]*> ?/, "", s)
        return trim(s)
    }
    # A declaration ended by ";". After a record body, what follows the brace names
    # variables (or, after "typedef struct ... {", type names).
    function declaration(s,    p, e) {
        s = normalize(s)
        if (s == "") return
        if (after_body) { after_body = 0; emit_declarators(s); return }
        if (s ~ /^(static_assert|using namespace|friend) /) return
        if (s ~ /^typedef /) { sub(/^typedef /, "", s); emit_declarators(s); return }
        if (match(s, /^using [A-Za-z_][A-Za-z_0-9]* ?=/)) {
            s = substr(s, 7); sub(/ ?=.*/, "", s); emit(s); return
        }
        if (s ~ /^using /) return
        if (s ~ /^(struct|class|union|enum)( class| struct)? [A-Za-z_][A-Za-z_0-9]*( ?:.*)?$/) {
            sub(/ ?:.*/, "", s); emit(lastident(s)); return
        }
        if (match(s, FPTR)) { emit_declarators(s); return }
        p = index(s, "("); e = index(s, "=")
        if (p > 0 && (e == 0 || p < e)) {
            # a procedure: the name right before its parameter list
            if (substr(s, 1, p - 1) ~ /operator/) return
            emit(lastident(substr(s, 1, p - 1)))
            return
        }
        emit_declarators(s)
    }
    # The head of a { } block at file level; names what it declares. Returns what the block
    # is: T (transparent: namespace, extern "C"), R (record body), E (enum body: enumerators),
    # F (the body of a procedure, or any other; skipped).
    function block_head(s,    p, kind) {
        s = normalize(s)
        if (s ~ /^(inline )?namespace( |$)/ || s ~ /^extern "C"/) return "T"
        if (s ~ /^typedef /) { sub(/^typedef /, "", s); after_typedef = 1 }
        if (s ~ /^(struct|class|union|enum)( |$)/) {
            kind = (s ~ /^enum/) ? "E" : "R"
            sub(/^enum (class|struct) /, "enum ", s)
            sub(/ ?:.*/, "", s)                               # base, underlying type
            if (match(s, /^(struct|class|union|enum) [A-Za-z_][A-Za-z_0-9]*/)) emit(lastident(substr(s, 1, RLENGTH)))
            return kind
        }
        p = index(s, "(")
        if (p > 0 && substr(s, 1, p - 1) !~ /operator/) emit(lastident(substr(s, 1, p - 1)))
        return "F"
    }
    # Whether a "{" after this text opens a body (else it starts a brace initializer).
    function opens_body(s) {
        s = normalize(s)
        if (s ~ /^(inline )?namespace( |$)/ || s ~ /^extern "C"/) return 1
        if (s ~ /^(typedef )?(struct|class|union|enum)( |$)/) return 1
        if (s ~ /=/) return 0
        return s ~ /\)/
    }
    BEGIN {
        # "(*NAME)", "(CALLBACK* NAME)": the name of a pointer to a procedure
        FPTR = "\\( *([A-Za-z_][A-Za-z_0-9]* *)?[*&] *[A-Za-z_][A-Za-z_0-9]* *\\)"
        split("const constexpr static extern inline volatile unsigned signed int char long short " \
              "float double bool void auto struct class union enum typedef noexcept override final " \
              "CALLBACK WINAPI", kw, " ")
        for (i in kw) KEYWORD[kw[i]] = 1
    }
    { text = text $0 "\n" }
    END {
        n = length(text)
        stmt = ""; sp = 0; skip = 0; init = 0; line_start = 1; enum_text = ""
        for (i = 1; i <= n; i++) {
            c = substr(text, i, 1)
            c2 = substr(text, i, 2)
            if (c == "\n") { line_start = 1; if (!skip) stmt = stmt " "; continue }
            if (line_start && c == "#") {                     # preprocessor line
                while (i <= n) {
                    if (substr(text, i, 1) == "\n" && substr(text, i - 1, 1) != "\\") break
                    i++
                }
                line_start = 1
                continue
            }
            if (c != " " && c != "\t") line_start = 0
            if (c2 == "//") { while (i <= n && substr(text, i, 1) != "\n") i++; i--; continue }
            if (c2 == "/*") {
                j = index(substr(text, i + 2), "*/")
                i = (j == 0) ? n : i + j + 2
                if (!skip) stmt = stmt " "
                continue
            }
            if (c == "\"" || c == "\047") {                   # string or character literal
                q = c; lit = c
                for (i++; i <= n; i++) {
                    d = substr(text, i, 1); lit = lit d
                    if (d == "\\") { i++; lit = lit substr(text, i, 1); continue }
                    if (d == q) break
                }
                if (!skip) stmt = stmt lit; else if (collect_enum) enum_text = enum_text lit
                continue
            }
            if (skip) {                                       # inside a body
                if (c == "{") { stack[++sp] = "F"; skip++ }
                else if (c == "}") {
                    kind = stack[sp--]; skip--
                    if (skip == 0) {
                        if (kind == "E") {
                            m = split(enum_text, en, ",")
                            for (k = 1; k <= m; k++) { e1 = en[k]; sub(/=.*/, "", e1); emit(lastident(e1)) }
                        }
                        collect_enum = 0; enum_text = ""; stmt = ""
                        # "} NAME;" after a record or enum names variables or, after
                        # "typedef struct ... {", types
                        after_body = after_typedef || kind == "R" || kind == "E"
                        after_typedef = 0
                    }
                }
                if (skip && collect_enum) enum_text = enum_text c
                continue
            }
            if (c == "{") {
                if (init == 0 && opens_body(stmt)) {
                    kind = block_head(stmt)
                    stmt = ""
                    stack[++sp] = kind
                    if (kind != "T") { skip = 1; collect_enum = (kind == "E") }
                    continue
                }
                init++
            } else if (c == "}") {
                if (init > 0) init--
                else if (sp > 0) { sp--; stmt = ""; continue }
            } else if (c == ";" && init == 0) {
                declaration(stmt); stmt = ""; after_body = 0
                continue
            }
            stmt = stmt c
        }
    }' "$1"
}

NAMES=$(extract_names "$HEADER") || exit 2
COUNT=$(printf '%s\n' "$NAMES" | grep -c .)
echo "found $COUNT public names in $HEADER"
if [ "$COUNT" -lt "$MIN_NAMES" ]; then
    echo "only $COUNT public names found in $HEADER, at least $MIN_NAMES expected: the extraction broke"
    exit 1
fi

# ---- names without an entry in the reference ------------------------------------------------
printf '%s\n' "$NAMES" | awk '
    function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
    FNR == NR { if ($0 != "") names[++count] = $0; next }
    /^[ \t]*(```|~~~)/ { fenced = !fenced; next }
    fenced { next }
    /^#/ { entry = $0 }                                         # a heading
    /^[ \t]*\|/ { split($0, cell, "|"); entry = cell[2] }       # the first cell of a table row
    !/^#/ && !/^[ \t]*\|/ { next }
    {
        pieces = split(entry, piece, "`")
        for (i = 2; i < pieces; i += 2) {                       # the closed code spans
            span = piece[i]
            exact[trim(span)] = 1
            while (match(span, /[A-Za-z_][A-Za-z_0-9]*\(/)) {
                called[substr(span, RSTART, RLENGTH - 1)] = 1
                span = substr(span, RSTART + RLENGTH)
            }
        }
    }
    END {
        missing = 0; list = ""
        for (i = 1; i <= count; i++) {
            n = names[i]
            if (!(n in exact) && !(n in called)) {
                print "not in the reference: " n
                missing++
                list = list " " n
            }
        }
        if (missing > 0) {
            print "missing from the reference: " missing " of " count " public names:" list
            exit 1
        }
        print "reference covers " count " public names"
    }' - "$REFERENCE"
