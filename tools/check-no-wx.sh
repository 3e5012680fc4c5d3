#!/bin/sh
# Fails when one of the static libraries named on the command line refers to a symbol of the
# toolkit (a name starting with "wx"): the logic libraries build and link without it.
status=0
for lib in "$@"; do
    found=$(nm -C --undefined-only "$lib" | grep -E '(^|[^A-Za-z0-9_])wx[A-Za-z_]' | sort -u)
    if [ -n "$found" ]; then
        echo "$lib refers to the toolkit:"
        echo "$found" | head -20
        status=1
    fi
done
exit $status
