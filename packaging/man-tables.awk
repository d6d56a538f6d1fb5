# help2man fills every line of an option's help into one paragraph. Lines whose words are lined up in
# columns (two spaces or more inside the line) are tables: keep each run of them as it is, one row a line.
# help2man also takes such a table for a list of its own and starts a new tagged paragraph after it; the
# prose that follows belongs to the same option, so that break goes.
function is_row(line) { return line !~ /^\./ && line ~ /[^ ]  +[^ ]/ }
# The table of --for targets: help2man makes each row's first cell a tagged paragraph; join them again
# into one table (the cells padded as the help pads them, counting "\-" as the one character it shows).
/^\.SS "Targets of/ { print; print ".nf"; targets = 1; tag = ""; next }
targets {
    if ($0 == ".PP") { print ".fi"; targets = 0 }
    else if ($0 ~ /^\.(TP|IP|nf|fi)$/) next
    else if (tag == "" && !is_row($0)) { tag = $0; next }
    else {
        shown = tag; gsub(/\\-/, "-", shown)
        pad = 16 - length(shown); if (pad < 2) pad = 2
        printf "%s%*s%s\n", tag, pad, "", $0; tag = ""; next
    }
}
{
    if (held_tp) {
        held_tp = 0
        if ($0 !~ /^\\fB/) { print ".IP"; print; next }
        print ".TP"
    }
    if (is_row($0)) {
        if (!in_table) { print ".nf"; in_table = 1 }
    } else if (in_table) {
        print ".fi"; in_table = 0
        if ($0 == ".TP") { held_tp = 1; next }
    }
    print
}
END { if (in_table) print ".fi"; if (held_tp) print ".TP" }
