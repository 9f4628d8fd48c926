#!/usr/bin/awk -f
# Writes an Intel HEX file of random-looking bytes for the flash benchmark.
#   awk -v base=0x4000 -v size=65536 -v seed=1 -f make_image_hex.awk > image.hex
# base:  first flash address (hex text with 0x, or decimal), default 0x4000
# size:  number of data bytes, default 65536
# seed:  1 .. 2147483646, default 1; the same seed gives the same file
# Records carry 16 data bytes each (the flasher's loader reads at most 25 per
# line) and an extended linear address record whenever the upper 16 address
# bits change. The bytes come from a Park-Miller generator: its products stay
# below 2^46, so every awk's double arithmetic computes them exactly.

function number(text) {
    if (text ~ /^0[xX]/) return hexValue(substr(text, 3))
    return text + 0
}

function hexValue(text,    i, v) {
    v = 0
    for (i = 1; i <= length(text); i++) v = v * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
    return v
}

# One record: count, 16-bit address, type and the data bytes in d[1..count].
function record(count, address, type, d,    line, sum, i) {
    line = sprintf(":%02X%04X%02X", count, address, type)
    sum = count + int(address / 256) + address % 256 + type
    for (i = 1; i <= count; i++) {
        line = line sprintf("%02X", d[i])
        sum += d[i]
    }
    printf "%s%02X\n", line, (256 - sum % 256) % 256
}

function nextByte() {
    state = (state * 16807) % 2147483647
    return int(state / 256) % 256
}

BEGIN {
    base = (base == "") ? 16384 : number(base)
    size = (size == "") ? 65536 : number(size)
    state = (seed == "") ? 1 : number(seed)
    if (state < 1 || state > 2147483646 || size < 0) {
        print "make_image_hex.awk: seed must be 1 .. 2147483646 and size not negative" > "/dev/stderr"
        exit 2
    }
    upper = -1
    for (done = 0; done < size; done += count) {
        address = base + done
        count = size - done
        if (count > 16) count = 16
        # Keep a record inside one 64 KiB page.
        if (address % 65536 + count > 65536) count = 65536 - address % 65536
        if (int(address / 65536) != upper) {
            upper = int(address / 65536)
            ext[1] = int(upper / 256); ext[2] = upper % 256
            record(2, 0, 4, ext)
        }
        for (i = 1; i <= count; i++) data[i] = nextByte()
        record(count, address % 65536, 0, data)
    }
    print ":00000001FF"
}
