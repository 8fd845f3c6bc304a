#!/usr/bin/env bash
# The converter's throughput and memory beside iconv, uconv and the cost of
# merely piping the bytes, and the instruction count of a full-capacity run of
# the program. From a clean clone, as root (it installs what it needs):
#
#     bash bench/run.sh
#
# RUNS (default 7) sets the timed runs per program; SIZE (default 104857600)
# the size of the large inputs. Everything goes to build/bench (the bench
# preset) and build/bench-data (inputs, outputs, results.md); nothing large is
# kept in the repository. No figure is reported unless the table-driven and the
# reference scans give the same bytes on the whole inputs, iconv and uconv accept
# the comparison file and iconv's output equals ours after the byte-order mark.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${RUNS:-7}
SIZE=${SIZE:-104857600}
BUILD=build/bench
DATA=build/bench-data
OUT=$DATA/out

say() { printf '\n== %s\n' "$*"; }
fail() {
    printf '\nbench: %s\n' "$*" >&2
    exit 1
}

say "Tools"
needed=()
command -v cmake > /dev/null || needed+=(cmake)
command -v make > /dev/null || needed+=(make)
command -v g++ > /dev/null || needed+=(g++)
command -v python3 > /dev/null || needed+=(python3)
command -v hyperfine > /dev/null || needed+=(hyperfine)
command -v valgrind > /dev/null || needed+=(valgrind)
command -v uconv > /dev/null || needed+=(icu-devtools)
command -v iconv > /dev/null || needed+=(libc-bin)
[ -x /usr/bin/time ] || needed+=(time)
[ -f /usr/include/benchmark/benchmark.h ] || needed+=(libbenchmark-dev)
if [ ${#needed[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${needed[@]}"
fi

say "Build (bench preset: Release, benchmarks on)"
cmake --preset bench > /dev/null
cmake --build --preset bench

say "Inputs"
mkdir -p "$DATA" "$OUT"
"$BUILD/bench/tarnwick_make_input" korean "$SIZE" "$DATA/korean.txt"
"$BUILD/bench/tarnwick_make_input" korean 1048576 "$DATA/korean-1m.txt"
"$BUILD/bench/tarnwick_make_input" mixed "$SIZE" "$DATA/mixed.txt"
"$BUILD/bench/tarnwick_make_input" plan "$DATA/plan.lst"
ls -l "$DATA"/korean.txt "$DATA"/korean-1m.txt "$DATA"/mixed.txt "$DATA"/plan.lst

say "Checks before any figure"
convert=$BUILD/bench/tarnwick_convert_file
for input in korean mixed; do
    "$convert" "$DATA/$input.txt" "$OUT/$input.fast.htm" > /dev/null ||
        fail "the conversion of $input.txt failed"
    "$convert" --reference "$DATA/$input.txt" "$OUT/$input.reference.htm" > /dev/null ||
        fail "the reference conversion of $input.txt failed"
    cmp "$OUT/$input.fast.htm" "$OUT/$input.reference.htm" ||
        fail "$input.txt: the table-driven scan differs from the reference scan"
    echo "$input.txt: table-driven scan = reference scan ($(stat -c %s "$OUT/$input.fast.htm") bytes)"
done
iconv -f CP949 -t UTF-8 "$DATA/korean.txt" > "$OUT/korean.iconv.txt" ||
    fail "iconv refused the comparison file"
uconv -f cp949 -t utf-8 "$DATA/korean.txt" > "$OUT/korean.uconv.txt" ||
    fail "uconv refused the comparison file"
# The comparison file has CR LF line ends, which our text mode writes back as
# CR LF, and none of the positions where our tables knowingly differ.
tail -c +4 "$OUT/korean.fast.htm" | cmp - "$OUT/korean.iconv.txt" ||
    fail "our output (after EF BB BF) differs from iconv's"
echo "korean.txt: ours after EF BB BF = iconv, byte for byte"
python3 - "$OUT/korean.uconv.txt" "$OUT/korean.iconv.txt" << 'EOF'
import collections, sys
ours = open(sys.argv[2], 'rb').read().decode('utf-8')
theirs = open(sys.argv[1], 'rb').read().decode('utf-8')
if len(ours) != len(theirs):
    sys.exit('uconv gave %d characters, iconv %d' % (len(theirs), len(ours)))
diff = collections.Counter((a, b) for a, b in zip(theirs, ours) if a != b)
print('korean.txt: uconv = iconv in %d characters; %d differ, in %d mappings of its own table:'
      % (len(ours), sum(diff.values()), len(diff)))
for (a, b), n in sorted(diff.items()):
    print('  uconv U+%04X, iconv and ours U+%04X: %d times' % (ord(a), ord(b), n))
EOF

# One timed run: wall time from the shell's clock, CPU and peak memory from
# /usr/bin/time. Every program writes its output to a fresh file beside ours.
declare -A wall cpu usr sys rss
timed() {
    local label=$1
    shift
    rm -f "$OUT/timed.out"
    local t0=$EPOCHREALTIME
    /usr/bin/time -f '%U %S %M' -o "$OUT/time.txt" "$@"
    local t1=$EPOCHREALTIME
    local user system peak
    read -r user system peak < "$OUT/time.txt"
    wall[$label]+="$(((${t1/./} - ${t0/./}))) "
    cpu[$label]+="$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%d", (u + s) * 1e6 }') "
    usr[$label]+="$(awk -v u="$user" 'BEGIN { printf "%d", u * 1e6 }') "
    sys[$label]+="$(awk -v s="$system" 'BEGIN { printf "%d", s * 1e6 }') "
    rss[$label]+="$peak "
}
# The median of a list of numbers.
median() {
    tr ' ' '\n' <<< "$1" | grep -v '^$' | sort -n |
        awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

programs=(ours iconv uconv floor)
run_program() {
    local input=$DATA/korean.txt
    case $1 in
        ours) timed ours sh -c '"$0" "$1" "$2" > /dev/null' "$convert" "$input" "$OUT/timed.out" ;;
        iconv) timed iconv sh -c 'iconv -f CP949 -t UTF-8 "$0" > "$1"' "$input" "$OUT/timed.out" ;;
        uconv) timed uconv sh -c 'uconv -f cp949 -t utf-8 "$0" > "$1"' "$input" "$OUT/timed.out" ;;
        floor) timed floor sh -c 'cat "$0" | cat > /dev/null' "$input" ;;
        mixed) timed mixed sh -c '"$0" "$1" "$2" > /dev/null' "$convert" "$DATA/mixed.txt" "$OUT/timed.out" ;;
    esac
}

say "Whole-process runs: $RUNS rounds, the programs alternating"
for program in "${programs[@]}" mixed; do
    run_program "$program" # warm-up, not counted
done
wall=() cpu=() usr=() sys=() rss=()
for ((round = 0; round < RUNS; round++)); do
    # Each round starts with another program, so no program always follows the same one.
    for ((k = 0; k < ${#programs[@]}; k++)); do
        run_program "${programs[(round + k) % ${#programs[@]}]}"
    done
    run_program mixed
    printf '.'
done
echo

megabytes() { awk -v b="$1" -v us="$2" 'BEGIN { printf "%.0f", b / us }'; }
seconds() { awk -v us="$1" 'BEGIN { printf "%.3f", us / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

size=$(stat -c %s "$DATA/korean.txt")
ours_wall=$(median "${wall[ours]}")
ours_cpu=$(median "${cpu[ours]}")
{
    echo "Input: $size bytes of Korean text (korean.txt), CR LF lines; $RUNS alternating runs each."
    echo "MB/s = 10^6 bytes of input per second of the median wall time."
    echo
    echo "| program | median wall (s) | MB/s | ours is faster by (wall) | median CPU user+sys (s) | user | sys | ours is faster by (CPU) |"
    echo "|---|---:|---:|---:|---:|---:|---:|---:|"
    for program in "${programs[@]}"; do
        w=$(median "${wall[$program]}")
        c=$(median "${cpu[$program]}")
        case $program in
            ours) name='ours (`tarnwick_convert_file`)' ;;
            iconv) name='`iconv -f CP949 -t UTF-8`' ;;
            uconv) name='`uconv -f cp949 -t utf-8`' ;;
            floor) name='`cat file \| cat > /dev/null` (floor)' ;;
        esac
        echo "| $name | $(seconds "$w") | $(megabytes "$size" "$w") | $(ratio "$w" "$ours_wall") | $(seconds "$c") | $(seconds "$(median "${usr[$program]}")") | $(seconds "$(median "${sys[$program]}")") | $(ratio "$c" "$ours_cpu") |"
    done
    mixed_size=$(stat -c %s "$DATA/mixed.txt")
    mw=$(median "${wall[mixed]}")
    echo
    echo "Ours alone on mixed.txt ($mixed_size bytes: extended-area pairs, escapes, zero bytes, lone CRs): median wall $(seconds "$mw") s, $(megabytes "$mixed_size" "$mw") MB/s, CPU $(seconds "$(median "${cpu[mixed]}")") s."
} | tee "$DATA/throughput.md"

say "Peak memory (maximum resident set, /usr/bin/time -v; the median of five runs)"
peak() {
    local kbs=""
    for _ in 1 2 3 4 5; do
        kbs+="$(/usr/bin/time -v "$@" 2>&1 > /dev/null |
            awk -F': ' '/Maximum resident set size/ { print $2 }') "
    done
    median "$kbs"
}
empty_kb=$(peak "$BUILD/bench/tarnwick_empty")
empty_c_kb=$(peak "$BUILD/bench/tarnwick_empty_c")
worst=0
memory_rows=""
for input in korean-1m korean mixed; do
    kb=$(peak "$convert" "$DATA/$input.txt" "$OUT/memory.out")
    above=$((kb - empty_kb))
    if ((above > worst)); then
        worst=$above
    fi
    memory_rows+="| conversion of $input.txt ($(stat -c %s "$DATA/$input.txt") bytes) | $kb | $above |"$'\n'
done
{
    echo "| run | peak RSS (KiB) | above the empty program (KiB) |"
    echo "|---|---:|---:|"
    echo "| \`int main() {}\`, built and linked like the converter, C++ runtime mapped | $empty_kb | 0 |"
    echo "| \`int main() {}\` as the linker leaves it by default (C library only) | $empty_c_kb | $((empty_c_kb - empty_kb)) |"
    printf '%s' "$memory_rows"
    echo
    echo "Most above the empty program: $worst KiB (goal: at most 1024 KiB, the same for every input size)."
} | tee "$DATA/memory.md"

say "Where the conversion's instructions go (callgrind, korean.txt's first 10 MiB)"
head -c 10485760 "$DATA/korean.txt" > "$DATA/korean-10m.txt"
valgrind --tool=callgrind --callgrind-out-file="$OUT/convert.callgrind" \
    "$convert" "$DATA/korean-10m.txt" "$OUT/korean-10m.htm" > /dev/null 2> "$OUT/convert-callgrind.txt"
convert_instructions=$(awk '/Collected :/ { print $NF }' "$OUT/convert-callgrind.txt")
{
    bytes=$(stat -c %s "$DATA/korean-10m.txt")
    echo "Instructions for $bytes bytes: $convert_instructions ($(awk -v n="$convert_instructions" \
        -v b="$bytes" 'BEGIN { printf "%.1f", n / b }') per input byte, start-up included)."
    echo
    echo '```'
    callgrind_annotate "$OUT/convert.callgrind" |
        awk '/file:function/ { on = 1; getline; next } on && !NF { exit } on { print }' | head -6 |
        sed -E 's/ \[[^]]*\]$//; s/\(anonymous namespace\):://g'
    echo '```'
} | tee "$DATA/convert-profile.md"

say "Full-capacity plan: instructions of the whole run (callgrind)"
run_dir=$DATA/run
rm -rf "$run_dir"
mkdir -p "$run_dir"
cp "$DATA/plan.lst" "$run_dir/plan.lst"
tarnwick=$(pwd)/$BUILD/tarnwick
(cd "$run_dir" && "$tarnwick" plan.lst) > "$OUT/plan-run.txt"
grep -q 'Visualizatin Script plan.htm has been Created.' "$OUT/plan-run.txt" ||
    fail "the full-capacity plan did not give its page: $(cat "$OUT/plan-run.txt")"
(cd "$run_dir" && valgrind --tool=callgrind --callgrind-out-file=callgrind.out "$tarnwick" plan.lst) \
    > /dev/null 2> "$OUT/callgrind.txt"
instructions=$(awk '/Collected :/ { print $NF }' "$OUT/callgrind.txt")
(cd "$run_dir" && valgrind --tool=callgrind --callgrind-out-file=callgrind-usage.out "$tarnwick") \
    > /dev/null 2> "$OUT/callgrind-usage.txt" || true
usage_instructions=$(awk '/Collected :/ { print $NF }' "$OUT/callgrind-usage.txt")
callgrind_annotate "$run_dir/callgrind.out" > "$DATA/callgrind-profile.txt"
{
    echo "Plan: 10 headings, 100 classes, 100 relations, 1,000 nodes, 1,000 links, Korean labels,"
    echo "every reference valid and naming one of the last rows of its table."
    echo
    echo "Instructions of the whole run: $instructions (goal: at most 50,000,000)."
    echo "The usage-line run (no argument) for comparison: $usage_instructions."
    echo
    echo "Where they go (callgrind_annotate, self cost, top 12):"
    echo
    echo '```'
    awk '/file:function/ { on = 1; getline; next } on && !NF { exit } on { print }' \
        "$DATA/callgrind-profile.txt" | head -12 |
        sed -E 's/ \[[^]]*\]$//; s/\(anonymous namespace\):://g; s/std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >/std::string/g; s/std::basic_string_view<char, std::char_traits<char> >/std::string_view/g'
    echo '```'
} | tee "$DATA/instructions.md"

say "Full-capacity run and usage-line run, wall time (hyperfine)"
(cd "$run_dir" && hyperfine -N -i --warmup 3 --runs 30 --export-markdown ../wall.md \
    "$tarnwick plan.lst" "$tarnwick")

say "Micro-benchmarks (Google Benchmark)"
"$BUILD/bench/tarnwick_micro" --benchmark_min_time=0.2 | tee "$DATA/micro.txt"

say "Goals"
iconv_wall=$(median "${wall[iconv]}")
awk -v r="$(ratio "$iconv_wall" "$ours_wall")" -v c="$(ratio "$(median "${cpu[iconv]}")" "$ours_cpu")" \
    'BEGIN { printf "throughput: %.2fx iconv by wall time, %.2fx by CPU time (goal 6x): %s\n", r, c, (r >= 6 ? "met" : "missed") }'
awk -v w="$worst" 'BEGIN { printf "memory: %d KiB above the empty program (goal 1024): %s\n", w, (w <= 1024 ? "met" : "missed") }'
awk -v n="$instructions" 'BEGIN { printf "full-capacity run: %d instructions (goal 50,000,000): %s\n", n, (n <= 50000000 ? "met" : "missed") }'
echo
echo "Tables: $DATA/throughput.md, $DATA/memory.md, $DATA/convert-profile.md, $DATA/instructions.md,"
echo "$DATA/wall.md, $DATA/micro.txt; the full profile of the plan run: $DATA/callgrind-profile.txt"
