#!/usr/bin/env bash
# Configures a build tree with cmake, its messages kept in
# BUILD_DIR/configure.log and shown only when configuring fails.
#   tools/configure.sh BUILD_DIR [cmake options]
set -uo pipefail
build=${1:?usage: configure.sh BUILD_DIR [cmake options]}
shift
mkdir -p "$build"
echo "configure: $build (cmake's output: $build/configure.log)"
if ! cmake --log-level=WARNING -S . -B "$build" "$@" >"$build/configure.log" 2>&1; then
  cat "$build/configure.log" >&2
  exit 1
fi
