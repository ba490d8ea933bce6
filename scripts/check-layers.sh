#!/usr/bin/env bash
# Checks the installer's floors: a file of install/ includes only headers of its own folder or of
# a lower one, no two files include each other, and no folder grows past its line budget.
# Usage: scripts/check-layers.sh [install-dir]. Exits 1 and names each breach.
set -euo pipefail

INSTALL_DIR=${1:-"$(dirname "$0")/../install"}
# From the ground up; a folder may include its own headers and those of the folders before it.
FLOORS=(os base context log spooler reboot tray monitor printers record settings program)
MAX_FOLDER_LINES=900

declare -A floor_of
for i in "${!FLOORS[@]}"; do floor_of[${FLOORS[$i]}]=$i; done

breaches=0
breach() {
  echo "$1"
  breaches=$((breaches + 1))
}

cd "$INSTALL_DIR"
declare -A includes_of
while IFS= read -r file; do
  folder=${file%%/*}
  [ -n "${floor_of[$folder]+x}" ] || { breach "$file: folder '$folder' is on no floor"; continue; }
  while IFS= read -r included; do
    case "$included" in
      */*) target=${included%%/*} ;;
      *) target=$folder included="$folder/$included" ;;
    esac
    includes_of[$file]+=" $included"
    if [ -z "${floor_of[$target]+x}" ]; then
      breach "$file: includes $included, which is on no floor"
    elif [ "${floor_of[$target]}" -gt "${floor_of[$folder]}" ]; then
      breach "$file: includes $included from a higher floor"
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(find . -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) |
         sed 's#^\./##' | sort)

for file in "${!includes_of[@]}"; do
  for included in ${includes_of[$file]}; do
    case " ${includes_of[$included]:-} " in
      *" $file "*) [[ "$file" < "$included" ]] && breach "$file and $included include each other" ;;
    esac
  done
done

for folder in "${FLOORS[@]}"; do
  [ -d "$folder" ] || continue
  lines=$(cat "$folder"/* | grep -cv '^[[:space:]]*$' || true)
  [ "$lines" -le "$MAX_FOLDER_LINES" ] ||
    breach "$folder/: $lines lines, more than $MAX_FOLDER_LINES: split it by concern"
done

if [ "$breaches" -gt 0 ]; then
  echo "$breaches breach(es) of the installer's floors"
  exit 1
fi
echo "install/: ${#FLOORS[@]} floors, every include downwards, no folder over $MAX_FOLDER_LINES lines"
