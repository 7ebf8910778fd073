#!/bin/sh
# Starts the book in its content folder. The program and the content are found
# from where this launcher is, so an installed tree works wherever it lies.
set -e
self=$(readlink -f -- "$0")
prefix=$(dirname -- "$(dirname -- "$self")")
cd -- "$prefix/share/pippalee"
exec "$prefix/lib/pippalee/pippalee" "$@"
