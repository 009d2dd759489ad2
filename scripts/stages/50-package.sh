#!/usr/bin/env bash
# The packages as a user gets them: scripts/package builds the .deb and the Windows zip; the
# .deb must pass lintian without errors, install with apt-get (which brings its dependencies),
# run (versions, the ports, a short start of the installed window against the installed
# simulated device) and purge without a trace in /usr. The zip's programs were run under Wine
# by stage 40 from an unpacked copy.
set -euo pipefail
scripts/package
deb=$(ls build/packages/tarnwick_*_amd64.deb)
(cd build/packages && sha256sum -c SHA256SUMS)

echo "--- lintian"
lintian --no-tag-display-limit "$deb" | tee build/packages/lintian.txt || true
if grep -q '^E: ' build/packages/lintian.txt; then
  echo "lintian reports errors" >&2
  exit 1
fi

echo "--- install"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$deb" >build/packages/install.txt 2>&1 || { cat build/packages/install.txt; exit 1; }
trap 'apt-get purge -y -qq tarnwick >/dev/null 2>&1 || true' EXIT
dpkg -L tarnwick >build/packages/files.txt
for program in tarnwick tarnwick-cli tarnwick-devsim; do
  [ "$(command -v "$program")" = "/usr/bin/$program" ] || { echo "$program is not installed in /usr/bin" >&2; exit 1; }
  "$program" --version
done
for page in tarnwick tarnwick-cli tarnwick-devsim; do
  [ -f "/usr/share/man/man1/$page.1.gz" ] || { echo "no man page for $page" >&2; exit 1; }
done

# A short start of the installed window on a virtual display: open the port, read the own
# address, exit; the trace file shows what happened.
work=$(mktemp -d)
export TARNWICK_PORTS="$work/ports"
tarnwick-devsim --register COM1 --address 45 >"$work/devsim.path" 2>/dev/null &
devsim_pid=$!
for _ in $(seq 100); do [ -s "$work/devsim.path" ] && break; sleep 0.05; done
tarnwick --list-ports | tee "$work/ports.txt"
grep -q "^COM1 — " "$work/ports.txt" || { echo "--list-ports does not list the simulated COM1" >&2; exit 1; }
bash tests/package/installed_window.sh "$work"
kill "$devsim_pid"
wait "$devsim_pid" 2>/dev/null || true

echo "--- purge"
apt-get purge -y -qq tarnwick >build/packages/purge.txt 2>&1
trap - EXIT
left=0
while read -r path; do
  case "$path" in
    /usr/*) if [ -e "$path" ] && [ ! -d "$path" ]; then echo "left behind: $path" >&2; left=1; fi ;;
  esac
done <build/packages/files.txt
[ "$left" -eq 0 ] || exit 1
rm -rf "$work"
echo "the package installs, runs and purges cleanly"
ls -l build/packages
