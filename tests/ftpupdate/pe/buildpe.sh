#!/usr/bin/env bash
# Builds a small Windows executable with a version resource, using only
# binutils-mingw-w64 (no compiler).
#   buildpe.sh OUT pe32|pe32plus [--file-version a,b,c,d] [--product-version a,b,c,d]
#              [--file-os N] [--file-type N] [--file-subtype N]
#              [--no-resources] [--no-version] [--padding BYTES]
set -euo pipefail

out=$1 arch=$2
shift 2
file_version=2,0,0,15 product_version=2,0,0,15
file_os=0x40004 file_type=1 file_subtype=0
resources=version padding=0
while (($#)); do
  case $1 in
    --file-version) file_version=$2; shift ;;
    --product-version) product_version=$2; shift ;;
    --file-os) file_os=$2; shift ;;
    --file-type) file_type=$2; shift ;;
    --file-subtype) file_subtype=$2; shift ;;
    --no-resources) resources=none ;;
    --no-version) resources=other ;;
    --padding) padding=$2; shift ;;
    *) echo "buildpe.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

case $arch in
  pe32) prefix=i686-w64-mingw32 emulation=i386pe entry=_start ;;
  pe32plus) prefix=x86_64-w64-mingw32 emulation=i386pep entry=start ;;
  *) echo "buildpe.sh: unknown architecture $arch" >&2; exit 2 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/start.s" <<ASM
  .text
  .globl $entry
$entry:
  ret
ASM
# Filler before the resources, for large executables.
if ((padding > 0)); then printf '  .data\n  .space %d\n' "$padding" >>"$work/start.s"; fi

objects=("$work/start.o")
"$prefix-as" -o "$work/start.o" "$work/start.s"

if [[ $resources != none ]]; then
  if [[ $resources == version ]]; then
    cat >"$work/res.rc" <<RC
1 VERSIONINFO
FILEVERSION $file_version
PRODUCTVERSION $product_version
FILEFLAGSMASK 0x3f
FILEFLAGS 0x0
FILEOS $file_os
FILETYPE $file_type
FILESUBTYPE $file_subtype
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "041004b0"
    BEGIN
      VALUE "CompanyName", "Test"
      VALUE "FileVersion", "$file_version"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x410, 1200
  END
END
RC
  else
    printf '1 RCDATA\nBEGIN\n  "no version here"\nEND\n' >"$work/res.rc"
  fi
  "$prefix-windres" --preprocessor=cat -i "$work/res.rc" -o "$work/res.o"
  objects+=("$work/res.o")
fi

"$prefix-ld" -m "$emulation" -e "$entry" -o "$out" "${objects[@]}"
