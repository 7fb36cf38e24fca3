#!/usr/bin/env bash
# Writes the seed corpus of each fuzz target from the cases the core tests use. Run it again after
# changing a case; the files it writes are kept in the tree.
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/corpus"
rm -rf "$out"
mkdir -p "$out"/{image,hex,protocol,display}

zeros() { head -c "$1" /dev/zero; }
# The image "Set All Default" builds: header, EPSON command mode, the two default welcome texts.
factory_image() {
    printf '\xAA\x00\x00\x00\x00\x00\x01'
    printf '*** VFD DISPLAY  ***'
    printf '**HAVE A NICE DAY AND THANK YOU**       '
    zeros 2
    zeros 54
    zeros 4
}
factory="$(mktemp)"
trap 'rm -f "$factory"' EXIT
factory_image > "$factory"
# The factory image with one byte replaced: patched_image OFFSET BYTE (an octal escape).
patched_image() { head -c "$1" "$factory"; printf "$2"; tail -c +"$(($1 + 2))" "$factory"; }
upload_request() { printf '\x1B\xEE'; }
download_request() { printf '\x1B\xEF\x02\x00\x01\x02\x00\x01\x02\x03'; }

# image: whole files, short files, files too long, and one of each kind of fault.
factory_image > "$out/image/factory"
head -c 7 "$factory" > "$out/image/short-header-only"
: > "$out/image/empty"
head -c 123 "$factory" > "$out/image/no-tail"
{ cat "$factory"; head -c 73 "$factory"; } > "$out/image/too-long"
patched_image 0 '\125' > "$out/image/bad-header"
patched_image 2 '\001' > "$out/image/baud-19200"
patched_image 4 '\044' > "$out/image/char-type-36"
patched_image 6 '\377' > "$out/image/command-mode-ff"
patched_image 68 '\005' > "$out/image/passthru-5"
patched_image 87 '\020' > "$out/image/user-char-code-10"
patched_image 69 '\101' > "$out/image/user-char-code-41"

# hex: the send texts, cell texts and code texts of the parser tests.
printf '1B EE' > "$out/hex/send-pair-blank"
printf '1bee' > "$out/hex/send-lower"
printf '  0a' > "$out/hex/send-leading-blanks"
printf 'ABC' > "$out/hex/send-lone-digit"
printf '12 3G 45' > "$out/hex/send-bad-pair"
printf '12\n34' > "$out/hex/send-line-break"
printf '  -80' > "$out/hex/scan-negative"
printf '0x7f' > "$out/hex/scan-prefix"
printf '+4' > "$out/hex/cell-plus"
printf '\t5' > "$out/hex/cell-tab"

# protocol and display: the wire traffic of the exchanges, which the targets read as steps.
{ upload_request; factory_image; } > "$out/protocol/upload-reply"
{ download_request; printf '\xFA'; factory_image; } > "$out/protocol/download-exchange"
{ printf '\x00\x02\x01\x03\x02\x01\x00'; patched_image 4 '\044'; printf '\x03\x01\x02'; } > "$out/protocol/mixed-steps"
{ upload_request; factory_image; } > "$out/display/upload"
{ download_request; factory_image; } > "$out/display/download"
{ printf 'slow=250\x00'; printf 'HELLO'; download_request; patched_image 6 '\012'; upload_request; } > "$out/display/slow-mixed"
{ printf 'bad-image'; printf '\x1B\x1B\xEF\x02\x00\x01'; upload_request; } > "$out/display/broken-request"
