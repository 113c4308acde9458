#!/bin/bash
# The Slurm recipe of docs/batch.md (tools/cluster/submit-slurm.sh and
# convert.sbatch) run as written on a one-node Slurm brought up here: munge
# and the Slurm daemons are started by this test with their state, sockets
# and logs in a temporary folder, and stopped at its end. Every recording of
# a generated archive is converted by the array job into the archive's
# folders and recorded in the manifest; each task converts with the one CPU
# it is given.
# recipe_slurm.sh TAFF2PSG TAFFGEN SOURCE_DIR
set -eu
TAFF2PSG=$(realpath "$1") TAFFGEN=$(realpath "$2") ROOT=$(realpath "$3")
for tool in munged slurmctld slurmd sbatch squeue sinfo; do
  command -v "$tool" >/dev/null ||
    { echo "FAILED: $tool is not installed (tools/deps.sh installs munge and slurm-wlm)" >&2; exit 1; }
done
WORK=$(mktemp -d)
STATE=$WORK/slurm
pids=()
stop_daemons() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  [ -n "${KEEP:-}" ] || rm -rf "$WORK"
}
trap stop_daemons EXIT
. "$ROOT/tests/batch/recipe_support.sh"

# Waits up to $1 seconds for the command "$2..." to succeed.
wait_for() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.5
  done
}

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

start_munge() {
  mkdir -p "$STATE/munge"
  chmod 700 "$STATE/munge"
  head -c 1024 /dev/urandom > "$STATE/munge/munge.key"
  chmod 400 "$STATE/munge/munge.key"
  munged --force --key-file="$STATE/munge/munge.key" --socket="$STATE/munge/socket" \
    --pid-file="$STATE/munge/munged.pid" --log-file="$STATE/munge/munged.log" --seed-file="$STATE/munge/seed"
  wait_for 20 test -s "$STATE/munge/munged.pid" || fail "munged did not start: $(cat "$STATE/munge/munged.log")"
  pids+=("$(cat "$STATE/munge/munged.pid")")
}

write_slurm_conf() {
  local node; node=$(hostname -s)
  local cpus; cpus=$(nproc)
  mkdir -p "$STATE/ctld" "$STATE/spool"
  cat > "$STATE/slurm.conf" <<CONF
ClusterName=recipe
SlurmctldHost=$node
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=$(id -un)
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$STATE/munge/socket
CredType=cred/munge
StateSaveLocation=$STATE/ctld
SlurmdSpoolDir=$STATE/spool
SlurmctldPidFile=$STATE/slurmctld.pid
SlurmdPidFile=$STATE/slurmd.pid
SlurmctldLogFile=$STATE/slurmctld.log
SlurmdLogFile=$STATE/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/affinity
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
ReturnToService=2
SchedulerType=sched/builtin
NodeName=$node CPUs=$cpus State=UNKNOWN
PartitionName=recipe Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
  export SLURM_CONF=$STATE/slurm.conf
}

node_idle() { [ "$(sinfo -h -o %T 2>/dev/null)" = idle ]; }
job_gone() { [ -z "$(squeue -h -j "$1" 2>/dev/null)" ] && squeue -h >/dev/null 2>&1; }

check_guide
make_archive
copy_recipes
copy_recipe submit-slurm.sh "RUNNING=2 PER_TASK=3"   # three tasks of this small archive
start_munge
write_slurm_conf
slurmctld -D -i -f "$SLURM_CONF" > "$STATE/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" > "$STATE/slurmd.out" 2>&1 &
pids+=($!)
wait_for 60 node_idle || fail "the node did not come up: $(tail -5 "$STATE/slurmctld.log" "$STATE/slurmd.log" 2>&1)"

# A task of one CPU may run on one CPU only: taff2psg's default jobs follow it.
[ "$(srun --cpus-per-task=1 python3 -c 'import os; print(len(os.sched_getaffinity(0)))')" = 1 ] ||
  fail "a task of --cpus-per-task=1 may run on more than one CPU"
export PATH="$(dirname "$TAFF2PSG"):$PATH"
cd "$WORK"
started=$SECONDS
./recipe/submit-slurm.sh > submit.log 2>&1 || { cat submit.log; fail "the submit script failed"; }
job=$(head -1 submit.log)
grep -q "submitted 8 recording(s) in 3 task(s)" submit.log || { cat submit.log; fail "unexpected submission"; }
wait_for 300 job_gone "$job" || fail "the array job did not end within 5 minutes: $(squeue)"
echo "array job $job ran in $((SECONDS - started)) s"
for task in 0 1 2; do
  [ -f "logs/${job}_$task.out" ] || fail "no log of task $task"
done
report=$(sed -n 's/^archive report: job \([0-9]*\) .*/\1/p' submit.log)
[ -n "$report" ] || { cat submit.log; fail "no archive report job"; }
wait_for 120 job_gone "$report" || fail "the archive report job did not end: $(squeue)"
[ -s psg/archive.html ] && [ -s psg/archive.csv ] || fail "no archive report: $(cat logs/report-*.out)"
check_outputs "$(ls -d runs/*/ | head -1)recordings.txt"
echo "slurm recipe: passed"
