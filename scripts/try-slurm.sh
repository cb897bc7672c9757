#!/bin/sh
# Tries kelvclip-cli batch under Slurm on this one machine: installs Debian's
# slurm-wlm and munge, configures a one-node cluster (this host is controller
# and compute node), submits a 20-task job array of the demo template with a
# different picture and name per task, waits for it, and checks every video,
# report and caption. Then submits the same array again, which must skip
# every job. Not part of CI: it changes the machine (packages, /etc/slurm,
# daemons).
#
#   scripts/try-slurm.sh [BUILD_DIR]     default: build
#   KEEP_CLUSTER=1 scripts/try-slurm.sh  leaves slurmctld, slurmd and munged running
#   WORK=/some/dir scripts/try-slurm.sh  where the jobs, videos and reports go
#                                        (default /tmp/kelvclip-slurm)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
CLI=$BUILD/bin/kelvclip-cli
DEMO=$BUILD/samples/tmpl.vez
WORK=${WORK:-/tmp/kelvclip-slurm}
TASKS=20
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

say() { printf '== %s\n' "$*"; }
fail() { printf 'try-slurm: %s\n' "$*" >&2; exit 1; }

[ -x "$CLI" ] || fail "$CLI is missing; build first (make build)"
[ -f "$DEMO" ] || fail "$DEMO is missing; build first (make build)"
command -v ffprobe >/dev/null || fail "ffprobe is missing (apt-get install ffmpeg)"

say "installing slurm-wlm and munge"
if ! dpkg -s slurm-wlm munge >/dev/null 2>&1; then
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq slurm-wlm munge >/dev/null
fi
dpkg-query -W slurm-wlm munge

say "starting munged"
[ -s /etc/munge/munge.key ] || $SUDO sh -c 'dd if=/dev/urandom bs=1 count=1024 of=/etc/munge/munge.key 2>/dev/null && chown munge:munge /etc/munge/munge.key && chmod 400 /etc/munge/munge.key'
$SUDO mkdir -p /run/munge && $SUDO chown munge:munge /run/munge
started_munge=0
if ! munge -n >/dev/null 2>&1; then
    $SUDO runuser -u munge -- /usr/sbin/munged
    started_munge=1
    sleep 1
fi
munge -n | unmunge >/dev/null && echo "munge works"

say "configuring a one-node cluster"
HOST=$(hostname -s)
NODE=$(slurmd -C | head -n 1)   # "NodeName=... CPUs=... RealMemory=..." of this machine
$SUDO mkdir -p /etc/slurm /var/spool/slurmctld /var/spool/slurmd /var/log/slurm
$SUDO tee /etc/slurm/slurm.conf >/dev/null <<EOF
# Written by kelvclip's scripts/try-slurm.sh: a one-node cluster on $HOST.
ClusterName=kelvclip
SlurmctldHost=$HOST
SlurmUser=root
AuthType=auth/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MpiDefault=none
StateSaveLocation=/var/spool/slurmctld
SlurmdSpoolDir=/var/spool/slurmd
SlurmctldPidFile=/run/slurmctld.pid
SlurmdPidFile=/run/slurmd.pid
SlurmctldLogFile=/var/log/slurm/slurmctld.log
SlurmdLogFile=/var/log/slurm/slurmd.log
$NODE State=UNKNOWN
PartitionName=batch Nodes=ALL Default=YES MaxTime=INFINITE State=UP
EOF
cat /etc/slurm/slurm.conf | grep -E '^(NodeName|PartitionName)'

say "starting slurmctld and slurmd"
for daemon in slurmctld slurmd; do
    pidfile=/run/$daemon.pid
    if [ -s "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
        $SUDO kill "$(cat "$pidfile")"
        sleep 1
    fi
done
$SUDO slurmctld -c
$SUDO slurmd
stop_cluster() {
    if [ "${KEEP_CLUSTER:-0}" != 1 ]; then
        for daemon in slurmd slurmctld; do
            [ -s /run/$daemon.pid ] && $SUDO kill "$(cat /run/$daemon.pid)" 2>/dev/null || true
        done
        if [ "$started_munge" = 1 ] && [ -s /run/munge/munged.pid ]; then
            $SUDO kill "$(cat /run/munge/munged.pid)" 2>/dev/null || true
        fi
    fi
}
trap stop_cluster EXIT
for i in $(seq 60); do
    state=$(sinfo -h -N -o '%t' 2>/dev/null | head -n 1)
    [ "$state" = idle ] && break
    sleep 1
done
sinfo -N -o '%N %t %c %m'
[ "$state" = idle ] || fail "the node did not become idle (see /var/log/slurm/)"

say "making $TASKS jobs in $WORK"
rm -rf "$WORK"
mkdir -p "$WORK/photos" "$WORK/logs" "$WORK/reports"
cd "$WORK"
# A template whose captions name the pupil, made from the demo.
"$CLI" dump "$DEMO" -o album.json 2>/dev/null
sed -e 's/"Your pictures here"/"Pictures of %NAME%"/' \
    -e 's/"The End"/"Made for %NAME%, class %CLASS%"/' album.json > school.json
"$CLI" pack school.json -o school.vez 2>/dev/null
cp album-media/*.png photos/
set -- Ann Bob Cleo Dan Eve Finn Gus Hana Ivo Jade Kai Lea Max Nia Otto Pia Quinn Rosa Sam Tia
i=0
PHOTOS=$(ls photos)
: > jobs.jsonl
for name in "$@"; do
    photo=$(echo "$PHOTOS" | sed -n "$((i % $(echo "$PHOTOS" | wc -l) + 1))p")
    printf '{"template": "school.vez", "replace": {"1": "photos/%s"}, "fields": {"NAME": "%s", "CLASS": "4%s"}, "output": "out/%s.mpg", "disc": "vcd", "standard": "pal"}\n' \
        "$photo" "$name" "$(printf '%s' abc | cut -c$((i % 3 + 1)))" "$(echo "$name" | tr A-Z a-z)" >> jobs.jsonl
    i=$((i + 1))
done
head -n 2 jobs.jsonl
cat > render.sbatch <<EOF
#!/bin/sh
#SBATCH --job-name=kelvclip
#SBATCH --array=0-$((TASKS - 1))
#SBATCH --cpus-per-task=1
#SBATCH --output=logs/%A_%a.out
# Job K of the array renders line K+1 of jobs.jsonl (--index comes from
# SLURM_ARRAY_TASK_ID); each task appends to a report file of its own.
exec "$CLI" batch jobs.jsonl --report "reports/\$SLURM_ARRAY_TASK_ID.jsonl"
EOF
cat render.sbatch

say "submitting the array and waiting for it"
start=$(date +%s)
sbatch --wait render.sbatch || echo "sbatch: some tasks failed"
echo "the array took $(( $(date +%s) - start )) s"
sacct >/dev/null 2>&1 || true

say "checking every output"
bad=0
for k in $(seq 0 $((TASKS - 1))); do
    line=$(sed -n "$((k + 1))p" jobs.jsonl)
    out=$(echo "$line" | sed 's/.*"output": "\([^"]*\)".*/\1/')
    frames=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets,width,height -of csv=p=0 "$out" 2>/dev/null || true)
    report=$(cat "reports/$k.jsonl" 2>/dev/null || true)
    status=$(echo "$report" | sed -n 's/.*"status":"\([a-z]*\)".*/\1/p' | tail -n 1)
    seconds=$(echo "$report" | sed -n 's/.*"seconds":\([0-9.]*\).*/\1/p' | tail -n 1)
    memory=$(echo "$report" | sed -n 's/.*"peak_memory_mb":\([0-9.]*\).*/\1/p' | tail -n 1)
    printf 'task %2d  %-14s %-5s  %s s  %s MB  video %s\n' "$k" "$out" "$status" "$seconds" "$memory" "$frames"
    if [ "$status" != done ] || [ "$frames" != "352,288,1513" ] || [ ! -f "$out.kvjob" ]; then
        bad=$((bad + 1))
    fi
done
leftover=$(find out -name '.*' -type f | wc -l)
echo "temporary files left in out/: $leftover"
[ "$leftover" -eq 0 ] || bad=$((bad + 1))
cat reports/*.jsonl > report.jsonl
echo "gathered $(wc -l < report.jsonl) report lines in $WORK/report.jsonl"

say "one personalised video looked at: the caption of task 7"
ffmpeg -v error -y -ss 3.5 -i out/hana.mpg -frames:v 1 hana-caption.png
ffmpeg -v error -y -ss 37 -i out/hana.mpg -frames:v 1 hana-end.png
echo "$WORK/hana-caption.png and $WORK/hana-end.png (its captions should read \"Pictures of Hana\" and \"Made for Hana, class 4b\")"

say "submitting the same array again: every job is skipped"
rm -f reports/*.jsonl
sbatch --wait render.sbatch || echo "sbatch: some tasks failed"
skipped=$(cat reports/*.jsonl | grep -c '"status":"skipped"' || true)
echo "$skipped of $TASKS jobs skipped"
[ "$skipped" -eq "$TASKS" ] || bad=$((bad + 1))

[ "$bad" -eq 0 ] || fail "$bad checks failed"
say "all $TASKS videos made under Slurm and checked"
