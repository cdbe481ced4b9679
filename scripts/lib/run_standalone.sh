# shellcheck shell=bash
# Sourced by scripts/run: the standalone role. torv.exe runs under Xvfb with the test ASIO
# driver (registered by Wine's regsvr32 into the prefix of the build tree), which feeds the sine
# bursts of the response measurement into input 1 after two seconds of silence and records what
# the host writes to the outputs. Left behind in $out:
#   standalone-window.png          the main window as the X server shows it
#   standalone-input.wav           what the driver fed in
#   standalone-recorded.wav        what the host wrote to output 1
#   standalone-offline.wav         the same input rendered offline through torv.dll
#   standalone.txt/.csv/.svg       the frequency response measured from the recording
#   standalone.log                 the host's messages, the driver's log and the comparison
# Needs: $repo, $build, $out, $render, $module; python3, xdotool and ImageMagick (scripts/setup).
# The float samples move between WAV and raw files through scripts/lib/float_wav.py, bit for
# bit (sox would round them through 32-bit integers).

standalone_run() {
    local exe=$build/host/torv.exe driver=$build/tests/torv_test_asio.dll
    local prefix=$build/wine/win64/prefix
    local floatwav=$repo/scripts/lib/float_wav.py
    local log=$out/standalone.log
    local lead=2 rate=48000 freqs=log:50:20000:16
    local winout
    winout=Z:$(printf '%s' "$out" | tr / '\\')
    echo
    echo "=== standalone: torv.exe with the test ASIO driver"
    : >"$log"

    # The driver registers itself in this build tree's prefix, as the tests register it.
    TORV_NEEDS_DISPLAY=1 "$repo/scripts/wine-run" win64 \
        "$prefix/drive_c/windows/system32/regsvr32.exe" /s "Z:$(printf '%s' "$driver" | tr / '\\')"

    # The input: the bursts the response measurement feeds, as raw floats for the driver.
    "$repo/scripts/wine-run" win64 "$render" --bursts "$out/standalone-input.wav" \
        --lead "$lead" -r "$rate" --freqs "$freqs" -q | tr -d '\r' >>"$log"
    "$floatwav" to-raw "$out/standalone-input.wav" "$out/standalone-input.raw"
    local frames seconds
    frames=$(($(stat -c %s "$out/standalone-input.raw") / 4))
    seconds=$((frames / rate + 2))

    # The host runs for the length of the input and a little more, then gets WM_CLOSE from
    # Wine's taskkill, as a click on the window's close box would send it.
    rm -f "$out"/standalone-rec.*
    TORV_TEST_ASIO="inputs=2 outputs=2 types=float32 rates=$rate fixed=1 buffer=256 \
infile=$winout\\standalone-input.raw record=$winout\\standalone-rec" \
        TORV_NEEDS_DISPLAY=1 TORV_TEST_TIMEOUT=$((seconds + 60)) \
        "$repo/scripts/wine-run" win64 "$exe" >/dev/null 2>"$out/standalone-host.err" &
    local host=$!
    export DISPLAY=:$(cat "$build/wine/win64/display")
    local window="" waited=0
    while [ -z "$window" ] && [ $waited -lt 60 ]; do
        sleep 1
        waited=$((waited + 1))
        window=$(xdotool search --name 'torvaudio' 2>/dev/null | head -n 1 || true)
    done
    [ -n "$window" ] || die "torv.exe did not show its window (see $out/standalone-host.err)"
    sleep "$seconds"
    import -window "$window" "$out/standalone-window.png"
    "$repo/scripts/wine-run" win64 "$prefix/drive_c/windows/system32/taskkill.exe" /im torv.exe \
        >/dev/null 2>&1 || true
    wait "$host" || die "torv.exe did not end cleanly (see $out/standalone-host.err)"
    tr -d '\r' <"$out/standalone-host.err" >>"$log"
    cat "$out/standalone-rec.log" >>"$log"

    # The recording of output 1, and the same input rendered offline in blocks of the same size.
    "$floatwav" to-wav "$out/standalone-rec.out0.raw" "$out/standalone-recorded.wav" "$rate"
    "$repo/scripts/wine-run" win64 "$render" "$module" "$out/standalone-input.wav" -b 256 -q \
        -o "$out/standalone-offline.wav" | tr -d '\r' >>"$log"
    "$floatwav" to-raw "$out/standalone-offline.wav" "$out/standalone-offline.raw" 0
    local bytes=$((frames * 4)) verdict
    if [ "$(stat -c %s "$out/standalone-rec.out0.raw")" -lt "$bytes" ]; then
        verdict="the recording is shorter than the input"
    elif cmp -s -n "$bytes" "$out/standalone-rec.out0.raw" "$out/standalone-offline.raw"; then
        verdict="equal to the offline render through torv.dll, bit for bit ($frames frames)"
    else
        verdict="DIFFERENT from the offline render through torv.dll"
    fi
    echo "standalone: recorded output $verdict" | tee -a "$log"

    "$repo/scripts/wine-run" win64 "$render" "$module" -r "$rate" --freqs "$freqs" -q \
        --response "$out/standalone" --recorded "$out/standalone-recorded.wav" --lead "$lead" |
        tr -d '\r' | tee -a "$log"
    rm -f "$out"/standalone-*.raw "$out"/standalone-rec.* "$out/standalone-host.err"
    [[ $verdict == equal* ]] || die "the standalone host's output differs from the offline render"
}
