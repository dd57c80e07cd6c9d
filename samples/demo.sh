#!/usr/bin/env bash
# prunex at work on fresh copies of the sample data files: the usage box, a removal,
# the same removal again, removals from the encrypted file with its password and with
# a wrong one, and the tables left after each.
set -u
build=${1:-build}
scratch=demo-scratch

run() {
  echo "\$ prunex${*:+ $*}"
  "$build/prunex" "$@" 2>&1
  echo "(exit code $?)"
  echo
}

list() {
  echo "\$ kstsample list $*"
  "$build/kstsample" list "$@"
  echo
}

rm -rf "$scratch"
mkdir -p "$scratch"
"$build/kstsample" make "$scratch" || exit 1
echo "Sample files in $scratch/: shop.kst, and vault.kst with the password opensesame."
echo
list "$scratch/shop.kst"

run
run "$scratch/shop.kst" customers
run "$scratch/shop.kst" customers
list "$scratch/shop.kst"

run "$scratch/vault.kst" orders opensesame
run "$scratch/vault.kst" products letmein
list "$scratch/vault.kst" opensesame
echo "\$ kstcheck $scratch/shop.kst"
"$build/kstcheck" "$scratch/shop.kst"
echo "\$ kstcheck $scratch/vault.kst opensesame"
"$build/kstcheck" "$scratch/vault.kst" opensesame
