#!/usr/bin/env bash
# The main job on a bundled sample (filled in as the engine grows).
set -u
build=${1:-build}
"$build/prunex"
