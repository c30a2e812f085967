#!/usr/bin/env bash
# Installs the Debian packages the project needs when any is missing (apt-get as root, else sudo).
# Quiet when everything is in place. The README's "Dependencies" section says why each is here.
set -euo pipefail

packages=(
  g++ make cmake ccache                          # build
  qt6-base-dev qt6-serialport-dev                # GUI, printing, serial port
  libasound2-dev                                 # sound
  libcli11-dev                                   # mervo-admin's command lines
  fonts-thai-tlwg                                # Thai faces for screen and paper
  libgtest-dev libgmock-dev libbenchmark-dev     # tests and benchmarks
  clang libclang-rt-14-dev                       # libFuzzer targets
  llvm                                           # llvm-cov, llvm-profdata for scripts/coverage
  xvfb xauth                                     # a virtual display for the GUI on a headless machine
  zlib1g-dev                                     # the PDF text layer's streams
  poppler-utils                                  # pdftotext, to check printed PDFs in tests
  socat                                          # pseudo-terminal pairs for serial tests
  python3 python3-dbfread                        # an independent DBF reader the tests compare with
  espeak-ng                                      # spoken Thai prompts for the demo site
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
if ! { "${sudo[@]}" apt-get update -q && "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "Package installation failed." >&2
  exit 1
fi
rm -f "$log"
