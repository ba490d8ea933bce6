#!/usr/bin/env bash
# Runs a Windows program in the project's Wine machine (CTest's cross-compiling emulator).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
qv_wine_prefix
exec wine "$@"
