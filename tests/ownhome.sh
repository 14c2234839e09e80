#!/bin/sh
# Runs a test with a home folder of its own, made for this run and removed
# after it: nothing a test writes under HOME or the XDG folders (a v.sz, Qt
# Test's own files) reaches the next run or another test.
home=$(mktemp -d "${TMPDIR:-/tmp}/tintoko-test-home.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT
trap 'exit 143' INT TERM
HOME=$home
XDG_CONFIG_HOME=$home/.config
XDG_DATA_HOME=$home/.local/share
XDG_CACHE_HOME=$home/.cache
XDG_STATE_HOME=$home/.local/state
export HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME
"$@"
