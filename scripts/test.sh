#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine in parallel.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
build_all
trap cleanup EXIT
start_display
start_wine
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)" "$@"
