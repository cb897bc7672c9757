#!/bin/bash
# Batch renders on this machine: N personalised VCD videos of the demo
# template (a caption with the job's name, template picture 1 replaced),
#  1. run with --jobs 1 and then with --jobs 2 (fresh outputs each time):
#     wall time, throughput and the ratio of the two;
#  2. per job, from the reports: seconds and peak memory of its render
#     process, the mean of the first and of the last tenth of the jobs and
#     the fitted slope per 100 jobs, so growth from the first job to the
#     last shows;
#  3. a job whose render is killed with SIGKILL mid-way: the run fails only
#     that job, and a rerun makes it and skips the others.
# The machine's load average is printed before and after each run: other
# work on the machine slows the renders and lowers the ratio.
#
#   bench/batch.sh [BUILD_DIR] [N]          default: build 200
#   JOBS="1 2 3" bench/batch.sh build 40    other --jobs values to compare
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
count=${2:-200}
cli=$build/bin/kelvclip-cli
demo=$build/samples/tmpl.vez
[ -x "$cli" ] && [ -f "$demo" ] || { echo "build first: $cli, $demo" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/kvbench-batch-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

"$cli" dump "$demo" -o album.json 2>/dev/null
sed -e 's/"Your pictures here"/"Pictures of %NAME%"/' album.json > named.json
"$cli" pack named.json -o named.vez 2>/dev/null
mapfile -t photos < <(ls album-media/*.png)
jobs_file() { # $1: output folder
    for ((k = 0; k < count; k++)); do
        printf '{"template": "named.vez", "replace": {"1": "%s"}, "fields": {"NAME": "Pupil %d"}, "output": "%s/%d.mpg", "disc": "vcd", "standard": "pal"}\n' \
            "${photos[k % ${#photos[@]}]}" "$k" "$1" "$k"
    done
}

echo "batch bench: $count VCD jobs of the demo template, $(nproc) cores, $(uname -r)"
declare -A wall
for jobs in ${JOBS:-1 2}; do
    jobs_file "out$jobs" > "jobs$jobs.jsonl"
    echo "--jobs $jobs: load average before $(cut -d' ' -f1-3 /proc/loadavg)"
    start=$(date +%s.%N)
    "$cli" batch "jobs$jobs.jsonl" --jobs "$jobs" --report "report$jobs.jsonl" 2> "log$jobs.txt" || {
        tail -n 5 "log$jobs.txt"
        exit 1
    }
    wall[$jobs]=$(echo "$(date +%s.%N) - $start" | bc)
    echo "--jobs $jobs: load average after  $(cut -d' ' -f1-3 /proc/loadavg)"
    python3 - "report$jobs.jsonl" "$jobs" "${wall[$jobs]}" <<'EOF'
import json, sys
path, jobs, wall = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
rows = sorted((json.loads(l) for l in open(path)), key=lambda r: r["job"])
done = [r for r in rows if r["status"] == "done"]
def trend(key):
    ys = [r[key] for r in done]
    n = len(ys)
    xs = range(n)
    mx, my = (n - 1) / 2, sum(ys) / n
    sxx = sum((x - mx) ** 2 for x in xs) or 1
    slope = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx
    tenth = max(1, n // 10)
    first, last = ys[:tenth], ys[-tenth:]
    return (f"{key}: first tenth {sum(first)/len(first):.2f}, last tenth {sum(last)/len(last):.2f}, "
            f"min {min(ys):.2f}, max {max(ys):.2f}, slope {slope*100:+.3f} per 100 jobs")
print(f"--jobs {jobs}: {len(done)}/{len(rows)} done in {wall:.1f} s, "
      f"{len(done)/wall*60:.2f} jobs/min")
print("  " + trend("seconds"))
print("  " + trend("peak_memory_mb"))
EOF
done
if [ -n "${wall[1]:-}" ] && [ -n "${wall[2]:-}" ]; then
    echo "throughput --jobs 2 / --jobs 1: $(echo "scale=3; ${wall[1]} / ${wall[2]}" | bc)"
fi

echo "SIGKILL mid-render: 4 jobs, --jobs 1, the render of job 1 killed"
count=4
jobs_file outk > jobsk.jsonl
"$cli" batch jobsk.jsonl --jobs 1 --report reportk.jsonl 2> logk.txt &
batch=$!
victim=
for _ in $(seq 1500); do
    sleep 0.02
    if grep -q '"job":0,' reportk.jsonl 2>/dev/null && ls -a outk | grep -q '^\.1\..*\.part-'; then
        victim=$(cat /proc/$batch/task/$batch/children)
        break
    fi
done
[ -n "$victim" ] || { echo "job 1's render was not seen" >&2; exit 1; }
kill -KILL $victim
wait $batch || echo "  first run exit $? (2: a job failed)"
grep '"job":1,' reportk.jsonl | sed 's/^/  /'
echo "  files under final names: $(cd outk && ls *.mpg | tr '\n' ' ')"
"$cli" batch jobsk.jsonl --jobs 1 --report reportk2.jsonl 2> logk2.txt
echo "  rerun: $(python3 -c 'import json,sys; print(", ".join("job %d %s" % (r["job"], r["status"]) for r in map(json.loads, open(sys.argv[1]))))' reportk2.jsonl)"
