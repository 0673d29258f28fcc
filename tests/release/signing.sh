#!/usr/bin/env bash
# scripts/release.sh end to end with a throwaway self-signed certificate: it
# signs (PKCS#12 and PEM, with and without a time stamp), the signature
# verifies, the package holds what it should, failures are reported, an
# unsigned release says so, and the signed copy still runs under Wine.
#
# Usage: signing.sh --exe <setup.exe> --check-exe <setup-check.exe>
#                   --src <source tree> --build <build tree>
#                   [--driver <driver.exe> --tools <stand-ins folder>]
#                   [--exe64 <64-bit test build of setup.exe>]
# With --driver the signed copy goes through the driver's "about" scenario on
# the shared Wine of tests/wine (start.sh must have run, WINE_TEST_ROOT set);
# without it, a minimal check on a private Xvfb and prefix: the dialog
# appears, Esc ends it with exit code 2. Where this machine cannot run 32-bit
# code, that minimal check is made on the 64-bit build, signed with the same
# certificate, under the 64-bit Wine instead, and the output says so.
set -uo pipefail

exe='' check_exe='' src='' build='' driver='' tools='' exe64=''
while [ $# -gt 0 ]; do
    case $1 in
        --exe) exe=$2; shift 2 ;;
        --check-exe) check_exe=$2; shift 2 ;;
        --src) src=$2; shift 2 ;;
        --build) build=$2; shift 2 ;;
        --driver) driver=$2; shift 2 ;;
        --tools) tools=$2; shift 2 ;;
        --exe64) exe64=$2; shift 2 ;;
        *) echo "signing.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
if [ -z "$exe" ] || [ -z "$check_exe" ] || [ -z "$src" ] || [ -z "$build" ]; then
    echo "usage: signing.sh --exe <setup.exe> --check-exe <setup-check.exe> --src <source tree> --build <build tree> [--driver <driver.exe> --tools <dir>]" >&2
    exit 2
fi
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
check_exe=$(cd "$(dirname "$check_exe")" && pwd)/$(basename "$check_exe")
src=$(cd "$src" && pwd)
build=$(cd "$build" && pwd)
release=$src/scripts/release.sh
[ -f "$exe" ] || { echo "no $exe: build first" >&2; exit 1; }

# A signing identity from the caller's environment must not leak in.
unset SIGN_PKCS12 SIGN_CERT SIGN_KEY SIGN_PASSWORD SIGN_PASSWORD_FILE SIGN_TIMESTAMP_URL SIGN_CA SIGN_TSA_CA
export SOURCE_DATE_EPOCH=1700000000   # 2023-11-14 22:13:20 UTC, an even DOS time

work=$build/release-test
rm -rf "$work"
mkdir -p "$work"
t_start=$(date +%s%N)

failures=0
check() {   # check <description> <command...>: one assertion
    local what=$1
    shift
    if "$@"; then
        echo "ok     $what"
    else
        echo "FAILED $what"
        failures=$((failures + 1))
    fi
}
contains() { grep -q -F -- "$2" "$1"; }
lacks() { ! grep -q -F -- "$2" "$1"; }
equal() { [ "$1" = "$2" ]; }

# release <name> <args...>: runs release.sh with the built setup-check.exe,
# its output in $work/<name>.log, its exit status in $rc.
release() {
    local name=$1
    shift
    rc=0
    timeout -k 5 120 bash "$release" --check-exe "$check_exe" "$@" >"$work/$name.log" 2>&1 </dev/null || rc=$?
    echo "--- release.sh $name: exit $rc"
    sed 's/^/    /' "$work/$name.log"
}

cleanup_pids=()
cleanup() {
    local pid
    for pid in "${cleanup_pids[@]}"; do kill "$pid" 2>/dev/null; done
}
trap cleanup EXIT

# --- inputs ----------------------------------------------------------------------
cd "$work" || exit 1
password='correct horse; battery "staple"'
printf '%s\n' "$password" >password.txt   # as a vendor would write it, newline and all
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 7 \
    -subj "/CN=Quillmere Test Vendor/O=Release Test" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    >openssl.log 2>&1 || { cat openssl.log; exit 1; }
SIGN_PASSWORD=$password openssl pkcs12 -export -in cert.pem -inkey key.pem -out vendor.p12 \
    -passout env:SIGN_PASSWORD >>openssl.log 2>&1 || { cat openssl.log; exit 1; }
openssl pkey -in key.pem -aes256 -out key-encrypted.pem -passout file:password.txt \
    >>openssl.log 2>&1 || { cat openssl.log; exit 1; }

# A time-stamping authority of our own, so --timestamp is tested offline.
mkdir tsa
openssl req -x509 -newkey rsa:2048 -nodes -keyout tsa/tsa.key -out tsa/tsa.pem -days 7 \
    -subj "/CN=Quillmere Test TSA" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=critical,timeStamping" \
    >>openssl.log 2>&1 || { cat openssl.log; exit 1; }
echo 01 >tsa/serial
cat >tsa/ts.cnf <<EOF
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = $work/tsa/serial
crypto_device = builtin
signer_cert = $work/tsa/tsa.pem
certs = $work/tsa/tsa.pem
signer_key = $work/tsa/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
EOF
python3 "$src/tests/release/tsa-server.py" tsa/ts.cnf tsa/port </dev/null >tsa/server.log 2>&1 &
cleanup_pids+=($!)
for _ in $(seq 100); do [ -s tsa/port ] && break; sleep 0.1; done
[ -s tsa/port ] || { cat tsa/server.log; echo "the time-stamping server did not start"; exit 1; }
tsa_url=http://127.0.0.1:$(cat tsa/port)/

# A README with the guide between other sections; a heading inside a code
# block is not one.
cat >README.md <<'EOF'
# Quillmere Installer

Developer notes.

```sh
## Vendor's guide (an example heading in a code block)
```

## Vendor's guide

Put setup.exe at the root of the CD.

```sh
## not a heading: a comment in a code block
sha256sum -c SHA256SUMS
```

### Signing

Sign with scripts/release.sh.


## Building

Not for vendors.
EOF
cat >expected-guide.md <<'EOF'
## Vendor's guide

Put setup.exe at the root of the CD.

```sh
## not a heading: a comment in a code block
sha256sum -c SHA256SUMS
```

### Signing

Sign with scripts/release.sh.
EOF
printf '# Notes\n\n## Building\n\nNothing for vendors yet.\n' >no-guide.md

# check_package <folder> <zip>: the four files, checksums, guide and zip.
check_package() {
    local dir=$1 zip=$2 n
    check "$dir holds exactly SHA256SUMS, VENDOR-GUIDE.md, setup-check.exe, setup.exe" \
        equal "$(cd "$dir" && LC_ALL=C ls -A | tr '\n' ' ')" "SHA256SUMS VENDOR-GUIDE.md setup-check.exe setup.exe "
    check "SHA256SUMS has two lines, for setup-check.exe and setup.exe" \
        equal "$(sed 's/^[0-9a-f]\{64\}  //' "$dir/SHA256SUMS" | tr '\n' ' ')" "setup-check.exe setup.exe "
    check "SHA256SUMS matches both programs" bash -c "cd '$dir' && sha256sum --quiet -c SHA256SUMS"
    check "setup-check.exe is the build's, byte for byte" cmp -s "$dir/setup-check.exe" "$check_exe"
    check "VENDOR-GUIDE.md is the README section, exactly" cmp -s "$dir/VENDOR-GUIDE.md" expected-guide.md
    check "the zip tests good" unzip -tqq "$zip"
    check "the zip lists the four files" \
        equal "$(unzip -Z1 "$zip" | tr '\n' ' ')" "SHA256SUMS VENDOR-GUIDE.md setup-check.exe setup.exe "
    for n in SHA256SUMS VENDOR-GUIDE.md setup-check.exe setup.exe; do
        check "the zip's $n is the folder's" cmp -s <(unzip -p "$zip" "$n") "$dir/$n"
    done
    check "the zip's entries are dated SOURCE_DATE_EPOCH" \
        equal "$(TZ=UTC unzip -Z -T "$zip" | awk '/^[-d]r/ { print $7 }' | sort -u)" "20231114.221320"
}

# --- PKCS#12, password in the environment, time-stamped ---------------------------
SIGN_PASSWORD=$password release p12 --exe "$exe" --pkcs12 vendor.p12 --guide README.md \
    --out p12 --timestamp "$tsa_url" --tsa-ca tsa/tsa.pem
signed=$work/p12/setup.exe
check "PKCS#12: release.sh succeeds" equal "$rc" 0
check "PKCS#12: reported as self-signed" contains p12.log "SIGNED, SELF-SIGNED"
check "PKCS#12: reported as time-stamped" contains p12.log "Time-stamped."
check "PKCS#12: no UNSIGNED notice" lacks p12.log "UNSIGNED"
check "PKCS#12: the password is not in the output" lacks p12.log "$password"
osslsigncode verify -CAfile cert.pem -TSA-CAfile tsa/tsa.pem -in "$signed" >verify-p12.log 2>&1
check "PKCS#12: osslsigncode verify succeeds" equal "$?" 0
check "PKCS#12: the signature is intact" contains verify-p12.log "Signature verification: ok"
check "PKCS#12: signed by the test certificate" contains verify-p12.log "CN=Quillmere Test Vendor"
check "PKCS#12: the time stamp verifies" contains verify-p12.log "Timestamp Server Signature verification: ok"
osslsigncode verify -in "$signed" >verify-p12-system.log 2>&1
check "PKCS#12: against the system roots alone it does not verify (self-signed)" test $? -ne 0
osslsigncode remove-signature -in "$signed" -out p12-unsigned.exe >/dev/null 2>&1
check "PKCS#12: the signed copy is the build plus a signature" cmp -s p12-unsigned.exe "$exe"
check "PKCS#12: the build itself is left unsigned" bash -c "! osslsigncode verify -in '$exe' >/dev/null 2>&1"
check_package p12 p12.zip
i686-w64-mingw32-windres -i "$exe" -O rc >resources-build.rc 2>/dev/null
i686-w64-mingw32-windres -i "$signed" -O rc >resources-signed.rc 2>/dev/null
check "PKCS#12: the signed copy's resources are the build's" \
    bash -c "[ -s resources-build.rc ] && cmp -s resources-build.rc resources-signed.rc"
rc_version=$(awk '$1 == "FILEVERSION" { gsub(/[ \t]/, ""); print; exit }' "$src/resources/setup.rc")
exe_version=$(awk '$1 == "FILEVERSION" { gsub(/[ \t]/, ""); print; exit }' resources-signed.rc)
check "PKCS#12: signed copy has the FILEVERSION of setup.rc (${rc_version#FILEVERSION})" \
    bash -c "[ -n '$rc_version' ] && [ '$rc_version' = '$exe_version' ]"

# --- PEM from the environment, encrypted key, --password-file, --ca ---------------
SIGN_CERT=cert.pem SIGN_KEY=key-encrypted.pem release pem --exe "$exe" --password-file password.txt \
    --ca cert.pem --guide README.md --out pem
check "PEM: release.sh succeeds" equal "$rc" 0
check "PEM: verified against the given roots" contains pem.log "SIGNED: the signature verifies against the roots in"
check "PEM: reported as not time-stamped" contains pem.log "Not time-stamped"
osslsigncode verify -CAfile cert.pem -in pem/setup.exe >verify-pem.log 2>&1
check "PEM: osslsigncode verify succeeds" equal "$?" 0
check "PEM: no time stamp" contains verify-pem.log "Timestamp is not available"
osslsigncode remove-signature -in pem/setup.exe -out pem-unsigned.exe >/dev/null 2>&1
check "PEM: the signed copy is the build plus a signature" cmp -s pem-unsigned.exe "$exe"
check_package pem pem.zip

# --- what must fail -----------------------------------------------------------------
printf 'not the password\n' >wrong.txt
release wrong-password --exe "$exe" --pkcs12 vendor.p12 --password-file wrong.txt --guide README.md --out wrong
check "wrong password: fails" test "$rc" -ne 0
check "wrong password: says signing failed" contains wrong-password.log "signing failed"
check "wrong password: no setup.exe released" test ! -e wrong/setup.exe

release password-argument --exe "$exe" --pkcs12 vendor.p12 --password "$password" --guide README.md --out pw-arg
check "--password: refused" test "$rc" -ne 0
check "--password: explains where the password goes" contains password-argument.log "not taken on the command line"

release no-guide --exe "$exe" --guide no-guide.md --out no-guide
check "no guide section: fails" test "$rc" -ne 0
check "no guide section: names the missing section" contains no-guide.log "has no \"## Vendor's guide\" section"
check "no guide section: nothing released" test ! -e no-guide/setup.exe

mkdir foreign && touch foreign/old-notes.txt
release foreign --exe "$exe" --guide README.md --out foreign
check "folder with other files: refused" test "$rc" -ne 0
check "folder with other files: left alone" test -e foreign/old-notes.txt -a ! -e foreign/setup.exe

release half-pem --exe "$exe" --cert cert.pem --guide README.md --out half
check "--cert without --key: refused" test "$rc" -ne 0

# --- unsigned -------------------------------------------------------------------------
release unsigned --exe "$exe" --guide README.md --out unsigned
check "unsigned: release.sh succeeds" equal "$rc" 0
check "unsigned: says UNSIGNED" contains unsigned.log "UNSIGNED"
check "unsigned: setup.exe is the build, byte for byte" cmp -s unsigned/setup.exe "$exe"
check "unsigned: carries no signature" bash -c "! osslsigncode verify -in unsigned/setup.exe >/dev/null 2>&1"
check_package unsigned unsigned.zip
release unsigned-again --exe "$exe" --guide README.md --out unsigned-again
check "unsigned again: succeeds" equal "$rc" 0
check "the same inputs give a byte-identical zip" cmp -s unsigned.zip unsigned-again.zip
release already-signed --exe "$signed" --guide README.md --out resign
check "an already signed program: refused" test "$rc" -ne 0

# --- the signed copy under Wine ----------------------------------------------------------
t_wine=$(date +%s%N)
# The shared session's start.sh has already asked whether 32-bit code runs
# here; without it, ask now.
no32=
if [ -n "$driver" ] && [ -n "${WINE_TEST_ROOT:-}" ]; then
    # The session's own environment says where it left its reason.
    no32=$(. "$src/tests/wine/wine-env.sh" && [ -s "$WINE_TEST_SKIP" ] && cat "$WINE_TEST_SKIP")
else
    probe=${WINE32_PROBE:-$(bash "$src/tests/wine/probe-32bit.sh")}
    [[ $probe == yes* ]] || no32="the 32-bit Wine cannot run here: ${probe#no: }"
fi
wine_arch=win32 wine=wine
if [ -n "$no32" ]; then
    echo "--- the signed copy under Wine: the 64-bit test build, not the 32-bit file ($no32)"
    driver=''
    wine_arch=win64 wine=/usr/lib/wine/wine64
    export WINELOADER=$wine
    # release.sh takes 32-bit programs only, so the 64-bit build is signed
    # here, with the same certificate.
    signed=$work/setup64-signed.exe
    check "64-bit build present (${exe64:-no --exe64 given}; build the win64 preset)" test -f "$exe64"
    osslsigncode sign -pkcs12 vendor.p12 -pass "$password" -in "$exe64" -out "$signed" \
        >sign64.log 2>&1
    check "64-bit build: signed" equal "$?" 0
    osslsigncode verify -CAfile cert.pem -in "$signed" >verify64.log 2>&1
    check "64-bit build: the signature verifies" equal "$?" 0
else
    echo "--- the signed copy under Wine: the 32-bit file"
fi
if [ -n "$driver" ]; then
    echo "--- the driver's about scenario on the signed copy"
    if [ ! -f "$driver" ]; then
        check "driver built ($driver)" false
    else
        wine_rc=0
        bash "$src/tests/wine/run.sh" 120 "$driver" about --setup "$signed" --tools "$tools" \
            >wine-about.log 2>&1 </dev/null || wine_rc=$?
        sed 's/^/    /' wine-about.log
        check "signed copy: the about scenario passes (dialog, About shows the version, Cancel gives 2)" \
            equal "$wine_rc" 0
        check "signed copy: the scenario reports no failure" \
            bash -c "tail -n 1 wine-about.log | grep -q -E '^[1-9][0-9]* passed, 0 failed'"
    fi
else
    echo "--- the signed copy on a private Xvfb and Wine prefix"
    export WINEPREFIX=$build/release-prefix-$wine_arch WINEARCH=$wine_arch WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
    rm -f xvfb.display
    # -displayfd: the server takes a free display and tells us which.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>xvfb.display </dev/null >xvfb.log 2>&1 &
    xvfb_pid=$!
    wine_cleanup() {
        cleanup
        timeout -k 5 30 wineserver -k >/dev/null 2>&1
        # Read whole: under pipefail an early-stopping grep -q could fail.
        if [ -r "/proc/$xvfb_pid/cmdline" ] && [[ $(tr '\0' ' ' <"/proc/$xvfb_pid/cmdline") == *Xvfb* ]]; then
            kill "$xvfb_pid"
        fi
    }
    trap wine_cleanup EXIT
    for _ in $(seq 100); do [ -s xvfb.display ] && break; sleep 0.1; done
    if [ ! -s xvfb.display ]; then
        cat xvfb.log
        check "Xvfb started" false
    else
        DISPLAY=:$(tr -d "\n" <xvfb.display)
        export DISPLAY
        if [ ! -f "$WINEPREFIX/.release-ready" ]; then
            mkdir -p "$WINEPREFIX"
            timeout -k 5 300 "$wine" wineboot --init </dev/null >wineboot.log 2>&1 && touch "$WINEPREFIX/.release-ready"
        fi
        # No window manager: let Wine manage its windows, or every close waits.
        timeout -k 5 120 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            </dev/null >reg.log 2>&1
        timeout -k 5 60 "$wine" "$signed" </dev/null >wine-run.log 2>&1 &
        run_pid=$!
        running() { kill -0 "$run_pid" 2>/dev/null; }
        # Only a mapped window takes the focus.
        window=
        for _ in $(seq 200); do
            window=$(xdotool search --onlyvisible --name '^Quillmere Installer$' 2>/dev/null | head -n 1)
            [ -n "$window" ] || ! running && break
            sleep 0.1
        done
        check "signed copy: a window titled \"Quillmere Installer\" appears" test -n "$window"
        if [ -n "$window" ]; then
            # The dialog may still be settling when it first shows: press Esc
            # again until the program ends.
            presses=0
            for _ in $(seq 10); do
                presses=$((presses + 1))
                timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null && timeout 5 xdotool key Escape 2>/dev/null
                for _ in $(seq 10); do running && sleep 0.1; done
                running || break
            done
            echo "    Esc pressed $presses time(s)"
        fi
        running && kill "$run_pid"
        wait "$run_pid"
        run_rc=$?
        check "signed copy: Esc ends it with exit code 2 (got $run_rc)" equal "$run_rc" 2
    fi
fi
wine_ms=$(( ($(date +%s%N) - t_wine) / 1000000 ))
total_ms=$(( ($(date +%s%N) - t_start) / 1000000 ))

echo "Wine part: $((wine_ms / 1000)).$((wine_ms % 1000 / 100)) s; whole test: $((total_ms / 1000)).$((total_ms % 1000 / 100)) s"
if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) FAILED; files in $work"
    exit 1
fi
echo "PASS: all checks of the release script passed"
