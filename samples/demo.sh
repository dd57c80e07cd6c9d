#!/usr/bin/env bash
# prunex at work: the usage box, then one removal request. Until the Kestrand driver
# serves the tool every request fails, so the request shows the error box.
set -u
build=${1:-build}

run() {
  echo "\$ prunex${*:+ $*}"
  "$build/prunex" "$@" 2>&1
  echo "(exit code $?)"
  echo
}

run
run demo-scratch/shop.kst orders
