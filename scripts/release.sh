#!/usr/bin/env bash
# Makes what a vendor ships: a folder with a signed copy of setup.exe,
# setup-check.exe (the check of a setup folder), their SHA256SUMS and the
# vendor's guide, and a zip of those four files.
#
# Usage: scripts/release.sh [options]
#   --exe PATH            setup.exe to release (default: build it with the
#                         win32 preset and take build/win32/setup.exe)
#   --check-exe PATH      setup-check.exe to release (default: build it the
#                         same way)
#   --out DIR             release folder (default: build/release)
#   --zip FILE            the zip (default: DIR.zip, beside the folder)
#   --guide FILE          Markdown file holding a "## Vendor's guide"
#                         section (default: README.md)
#   --pkcs12 FILE         certificate and key as PKCS#12          [SIGN_PKCS12]
#   --cert FILE --key FILE  or as PEM files              [SIGN_CERT, SIGN_KEY]
#   --password-file FILE  password of the PKCS#12 or of the key; its first
#                         line is used      [SIGN_PASSWORD_FILE, or the
#                         password itself in SIGN_PASSWORD]
#   --timestamp URL       RFC 3161 time-stamping server      [SIGN_TIMESTAMP_URL]
#   --ca FILE             trusted roots (PEM) to verify the signature against,
#                         instead of the system's                    [SIGN_CA]
#   --tsa-ca FILE         trusted roots (PEM) for the time stamp     [SIGN_TSA_CA]
# Options given on the command line override the environment. The password is
# never taken on the command line: anyone on the machine can read that.
# Without a certificate the release is made unsigned, and says so.
set -euo pipefail

prog=release.sh
die() { echo "$prog: $*" >&2; exit 1; }
usage() { sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; }

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

exe=
check_exe=
out=$repo/build/release
zipfile=
guide=$repo/README.md
pkcs12=${SIGN_PKCS12:-}
cert=${SIGN_CERT:-}
key=${SIGN_KEY:-}
password_file=${SIGN_PASSWORD_FILE:-}
timestamp=${SIGN_TIMESTAMP_URL:-}
ca=${SIGN_CA:-}
tsa_ca=${SIGN_TSA_CA:-}
cli_identity=no

need_arg() { [ $# -ge 2 ] && [ -n "$2" ] || die "$1 needs a value"; }
while [ $# -gt 0 ]; do
    case $1 in
        --exe) need_arg "$@"; exe=$2; shift 2 ;;
        --check-exe) need_arg "$@"; check_exe=$2; shift 2 ;;
        --out) need_arg "$@"; out=$2; shift 2 ;;
        --zip) need_arg "$@"; zipfile=$2; shift 2 ;;
        --guide) need_arg "$@"; guide=$2; shift 2 ;;
        --pkcs12|--cert|--key)
            need_arg "$@"
            # A certificate named on the command line replaces the one in the
            # environment entirely, so the two are never mixed.
            if [ $cli_identity = no ]; then pkcs12='' cert='' key=''; cli_identity=yes; fi
            case $1 in
                --pkcs12) pkcs12=$2 ;;
                --cert) cert=$2 ;;
                --key) key=$2 ;;
            esac
            shift 2 ;;
        --password-file) need_arg "$@"; password_file=$2; shift 2 ;;
        --password|--pass|--password=*|--pass=*)
            die "the password is not taken on the command line; set SIGN_PASSWORD or use --password-file FILE" ;;
        --timestamp) need_arg "$@"; timestamp=$2; shift 2 ;;
        --ca) need_arg "$@"; ca=$2; shift 2 ;;
        --tsa-ca) need_arg "$@"; tsa_ca=$2; shift 2 ;;
        -h|--help) usage; exit 0 ;;
        *) die "unknown option '$1' (see --help)" ;;
    esac
done

# --- what to sign with -------------------------------------------------------
sign=no
if [ -n "$pkcs12" ]; then
    [ -z "$cert$key" ] || die "give either a PKCS#12 file or --cert and --key, not both"
    [ -f "$pkcs12" ] || die "PKCS#12 file not found: $pkcs12"
    sign=yes
elif [ -n "$cert$key" ]; then
    [ -n "$cert" ] && [ -n "$key" ] || die "--cert and --key go together"
    [ -f "$cert" ] || die "certificate not found: $cert"
    [ -f "$key" ] || die "key not found: $key"
    sign=yes
fi
for f in "$ca" "$tsa_ca"; do
    [ -z "$f" ] || [ -f "$f" ] || die "CA file not found: $f"
done

password=
if [ -n "$password_file" ]; then
    [ -r "$password_file" ] || die "password file not readable: $password_file"
    IFS= read -r password <"$password_file" || [ -n "$password" ] || true
    password=${password%$'\r'}
elif [ -n "${SIGN_PASSWORD+set}" ]; then
    password=$SIGN_PASSWORD
fi

command -v zip >/dev/null || die "zip is not installed"
command -v sha256sum >/dev/null || die "sha256sum is not installed"
if [ $sign = yes ]; then
    command -v osslsigncode >/dev/null || die "osslsigncode is not installed"
    command -v openssl >/dev/null || die "openssl is not installed"
fi

# --- the vendor's guide, checked before any build or signing ----------------
[ -f "$guide" ] || die "guide source not found: $guide"
# The section runs from its "## " heading to the next "## " heading; lines in
# fenced code blocks are not headings.
# The apostrophe may be typed or typographic.
# shellcheck disable=SC1112
guide_text=$(awk -v q="'" '
    /^ ? ? ?(```|~~~)/ { fence = !fence }
    !fence && /^## / {
        if (inside) exit
        h = tolower($0); sub(/[ \t#]+$/, "", h)
        if (h ~ ("^## vendor(" q "|’)s guide$")) inside = 1
    }
    inside { print }
' "$guide")
if [ -z "$guide_text" ]; then
    die "$guide has no \"## Vendor's guide\" section; write it there, or name another file with --guide FILE"
fi
if ! printf '%s\n' "$guide_text" | sed 1d | grep -q '[^[:space:]]'; then
    die "the \"## Vendor's guide\" section of $guide is empty"
fi

# --- the program -------------------------------------------------------------
if [ -z "$exe" ]; then
    echo "== building setup.exe (preset win32)"
    (cd "$repo" && cmake --preset win32 >/dev/null && cmake --build --preset win32 --target setup) \
        || die "the build failed"
    exe=$repo/build/win32/setup.exe
fi
[ -f "$exe" ] || die "no such file: $exe"
if [ -z "$check_exe" ]; then
    echo "== building setup-check.exe (preset win32)"
    (cd "$repo" && cmake --preset win32 >/dev/null && cmake --build --preset win32 --target setup-check) \
        || die "the build failed"
    check_exe=$repo/build/win32/setup-check.exe
fi
[ -f "$check_exe" ] && [ "$(head -c 2 "$check_exe")" = MZ ] || die "not a Windows program: $check_exe"

# Reads a little-endian number of $2 bytes at offset $1 of the program.
pe_uint() { od -An -t "u$2" -j "$1" -N "$2" --endian=little "$exe" | tr -d ' '; }
[ "$(head -c 2 "$exe")" = MZ ] || die "$exe is not a Windows program"
pe=$(pe_uint 60 4)
[ "$(dd if="$exe" bs=1 skip="$pe" count=4 2>/dev/null | od -An -c | tr -d ' ')" = 'PE\0\0' ] \
    || die "$exe is not a PE file"
[ "$(pe_uint $((pe + 24)) 2)" = 267 ] || die "$exe is not a 32-bit program"
# The certificate table is data directory 4 of the PE32 optional header. Only
# the build as tested is signed, never something signed already.
[ "$(pe_uint $((pe + 24 + 128 + 4)) 4)" = 0 ] \
    || die "$exe already carries a signature; release the unsigned build"

# --- the release folder --------------------------------------------------------
out=${out%/}
[ -n "$out" ] || die "--out must not be the root folder"
names=(SHA256SUMS VENDOR-GUIDE.md setup-check.exe setup.exe)   # sorted as C sorts, for the zip
mkdir -p "$out"
# Everything in the folder goes into the zip, so the folder must hold nothing
# else; our own files from an earlier run are replaced.
foreign=$(cd "$out" && find . -mindepth 1 -maxdepth 1 \
    ! -name SHA256SUMS ! -name VENDOR-GUIDE.md ! -name setup-check.exe ! -name setup.exe -printf '%P\n')
[ -z "$foreign" ] || die "$out holds other files ($(echo "$foreign" | tr '\n' ' ')); choose an empty or new folder with --out"
out=$(cd "$out" && pwd)
[ -n "$zipfile" ] || zipfile=$out.zip
mkdir -p "$(dirname "$zipfile")"
zipfile=$(cd "$(dirname "$zipfile")" && pwd)/$(basename "$zipfile")
case $zipfile in "$out"/*) die "the zip must not lie inside the release folder" ;; esac

work=$(mktemp -d "${TMPDIR:-/tmp}/release.XXXXXX")
trap 'rm -rf "$work"' EXIT
rm -f "$out/SHA256SUMS" "$out/VENDOR-GUIDE.md" "$out/setup-check.exe" "$out/setup.exe" "$zipfile"

# --- signing -----------------------------------------------------------------
signed_state=UNSIGNED
if [ $sign = yes ]; then
    echo "== signing a copy of $exe"
    if [ -n "$pkcs12" ]; then identity=(-pkcs12 "$pkcs12"); else identity=(-certs "$cert" -key "$key"); fi
    sign_args=(sign "${identity[@]}" -h sha256 -n "Quillmere Installer")
    [ -z "$timestamp" ] || sign_args+=(-ts "$timestamp")
    sign_args+=(-in "$exe" -out "$work/setup.exe")
    # The password reaches osslsigncode through a pipe of the shell (printf is
    # a builtin), so it is in no command line and in no file. osslsigncode
    # takes an empty one as unreadable, and without -readpass it uses none.
    if [ -n "$password" ]; then
        osslsigncode "${sign_args[@]}" -readpass <(printf '%s' "$password") </dev/null >"$work/sign.log" 2>&1 \
            || { cat "$work/sign.log" >&2; die "signing failed (wrong password, or not a usable certificate and key?)"; }
    else
        osslsigncode "${sign_args[@]}" </dev/null >"$work/sign.log" 2>&1 \
            || { cat "$work/sign.log" >&2; die "signing failed (does the key need a password? set SIGN_PASSWORD or use --password-file)"; }
    fi
    unset password

    echo "== verifying the signature"
    verify_args=(verify -in "$work/setup.exe")
    [ -z "$tsa_ca" ] || verify_args+=(-TSA-CAfile "$tsa_ca")
    trust=
    vlog=$work/verify.log
    if [ -n "$ca" ]; then
        osslsigncode "${verify_args[@]}" -CAfile "$ca" >"$work/verify.log" 2>&1 \
            || { cat "$work/verify.log" >&2; die "the signature does not verify against $ca"; }
        trust="the roots in $ca"
    elif osslsigncode "${verify_args[@]}" >"$work/verify.log" 2>&1; then
        trust="the system's trusted roots"
    else
        # Not trusted here. If the chain in the signature ends in a
        # self-signed certificate, check the signature against that one, so a
        # broken signature is still told apart from an untrusted certificate.
        osslsigncode extract-signature -pem -in "$work/setup.exe" -out "$work/signature.pem" >/dev/null 2>&1 \
            || { cat "$work/verify.log" >&2; die "the signature does not verify, and cannot be read back"; }
        openssl pkcs7 -print_certs -in "$work/signature.pem" -out "$work/chain.pem" 2>/dev/null \
            || die "cannot read the certificates of the signature"
        awk -v dir="$work" '/-----BEGIN CERTIFICATE-----/ { n++ } n { print > (dir "/chain-" n ".pem") }' "$work/chain.pem"
        : >"$work/selfsigned.pem"
        self_subject=
        for c in "$work"/chain-*.pem; do
            [ -f "$c" ] || continue
            s=$(openssl x509 -in "$c" -noout -subject -nameopt RFC2253 | sed 's/^subject=//')
            i=$(openssl x509 -in "$c" -noout -issuer -nameopt RFC2253 | sed 's/^issuer=//')
            if [ "$s" = "$i" ]; then cat "$c" >>"$work/selfsigned.pem"; self_subject=$s; fi
        done
        if [ -n "$self_subject" ] \
            && osslsigncode "${verify_args[@]}" -CAfile "$work/selfsigned.pem" >"$work/verify-self.log" 2>&1; then
            signed_state=SELF-SIGNED
            vlog=$work/verify-self.log
            trust="only its own self-signed certificate ($self_subject)"
        else
            cat "$work/verify.log" >&2
            die "the signature does not verify against the system's trusted roots; if the certificate comes from a private CA, pass its root with --ca FILE (and the time-stamping server's with --tsa-ca FILE)"
        fi
    fi
    [ "$signed_state" = SELF-SIGNED ] || signed_state=SIGNED
    timestamped=yes
    ! grep -q '^Timestamp is not available' "$vlog" || timestamped=no
    [ -z "$timestamp" ] || [ $timestamped = yes ] || die "a time stamp was asked for but the signature has none"

    # The signed file must be the tested build plus the signature, nothing else.
    osslsigncode remove-signature -in "$work/setup.exe" -out "$work/unsigned.exe" >/dev/null 2>&1 \
        || die "cannot take the signature off again to compare"
    cmp -s "$work/unsigned.exe" "$exe" || die "the signed copy differs from $exe in more than the signature"
    cp "$work/setup.exe" "$out/setup.exe"
else
    cp "$exe" "$out/setup.exe"
fi

# --- the package -----------------------------------------------------------------
printf '%s\n' "$guide_text" | sed -e :a -e '/^[[:space:]]*$/{$d;N;ba' -e '}' >"$out/VENDOR-GUIDE.md"
# The vendor's own tool goes as built; only setup.exe reaches end users.
cp "$check_exe" "$out/setup-check.exe"
(cd "$out" && sha256sum setup-check.exe setup.exe >SHA256SUMS && sha256sum --quiet -c SHA256SUMS) \
    || die "SHA256SUMS does not check"

# Fixed times and modes, no extra fields, a fixed order: the same four files
# always give the same zip.
epoch=${SOURCE_DATE_EPOCH:-}
if [ -z "$epoch" ]; then
    epoch=$(git -C "$repo" log -1 --format=%ct 2>/dev/null || true)
fi
[ -n "$epoch" ] || epoch=315619200   # 1980-01-02, the zip format's first days
chmod 0644 "$out/SHA256SUMS" "$out/VENDOR-GUIDE.md"
chmod 0755 "$out/setup.exe" "$out/setup-check.exe"
for n in "${names[@]}"; do touch -d "@$epoch" "$out/$n"; done
(cd "$out" && TZ=UTC zip -q -X -D "$zipfile" "${names[@]}") || die "zip failed"
[ "$(unzip -Z1 "$zipfile" 2>/dev/null | tr '\n' ' ')" = "${names[*]} " ] \
    || die "the zip does not hold exactly ${names[*]}"

# --- summary --------------------------------------------------------------------
version=$(i686-w64-mingw32-windres -i "$out/setup.exe" -O rc 2>/dev/null \
    | awk '$1 == "FILEVERSION" { gsub(/ /, ""); sub(/FILEVERSION/, ""); gsub(/,/, "."); print; exit }' || true)
echo
echo "Release folder: $out"
echo "  setup.exe        $(stat -c %s "$out/setup.exe") bytes${version:+, version $version}"
echo "  setup-check.exe  $(stat -c %s "$out/setup-check.exe") bytes"
sed 's/^\([0-9a-f]*\)  \(.*\)/  SHA256SUMS       \1  \2/' "$out/SHA256SUMS"
echo "  VENDOR-GUIDE.md  from $guide"
echo "Zip:            $zipfile"
echo "  sha256           $(sha256sum "$zipfile" | cut -d' ' -f1)"
case $signed_state in
    SIGNED)
        echo "SIGNED: the signature verifies against $trust."
        [ "$timestamped" = yes ] && echo "  Time-stamped." || echo "  Not time-stamped: the signature stops being valid when the certificate expires." ;;
    SELF-SIGNED)
        echo "SIGNED, SELF-SIGNED: the signature is intact, but it verifies against $trust."
        echo "  Windows does not trust such a certificate and will name the publisher as unknown;"
        echo "  sign public releases with a certificate from a code-signing CA."
        [ "$timestamped" = yes ] && echo "  Time-stamped." || echo "  Not time-stamped." ;;
    UNSIGNED)
        echo "UNSIGNED: no certificate was given (--pkcs12 FILE, or --cert FILE --key FILE,"
        echo "  or SIGN_PKCS12 / SIGN_CERT and SIGN_KEY); $out/setup.exe is NOT signed." ;;
esac
