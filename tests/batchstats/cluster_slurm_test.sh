#!/bin/bash
# Starts a one-node Slurm cluster of its own (munged, slurmctld, slurmd on
# free ports, everything in a temporary folder), submits the study script for
# 4 shards, waits for the dependent summary and compares it byte for byte with
# the summary of the same study played in one process. Stops the daemons it
# started, by their PIDs, however it ends. Exit 77: skipped (not root, or the
# Slurm or munge programs are missing).
set -uo pipefail
cli=$1
script=$2
timeout_s=${MIRVOSIM_CLUSTER_TIMEOUT:-240}

skip() { echo "SKIP: $*"; exit 77; }
fail() {
    echo "FAIL: $*"
    for log in "$tmp"/*.log "$tmp"/out/*.out; do [[ -f $log ]] && { echo "--- $log"; tail -n 20 "$log"; }; done
    exit 1
}

[[ $(id -u) -eq 0 ]] || skip "the Slurm test starts daemons as root; run it as root"
for program in munged slurmctld slurmd sbatch squeue; do
    command -v "$program" >/dev/null || skip "$program is missing (apt-get install slurm-wlm munge)"
done

# slurmd will not start without it; booted machines have it.
grep -q ' /sys/fs/cgroup' /proc/mounts || {
    echo "FAIL: slurmd needs the cgroup file system, and nothing is mounted on /sys/fs/cgroup"
    exit 1
}

tmp=$(mktemp -d /tmp/mirvosim-slurm-XXXXXX)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    done
    rm -rf "$tmp"
}
trap cleanup EXIT

free_port() {
    local port
    for _ in $(seq 100); do
        port=$((20000 + RANDOM % 40000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
    return 1
}
ctld_port=$(free_port) && node_port=$(free_port) || fail "no free port"
[[ $ctld_port != "$node_port" ]] || node_port=$((ctld_port + 1))
# Controller and node talk over the loopback address, so the machine's own
# host name need not resolve (a fresh root or container often has none in
# /etc/hosts). slurmctld only checks that the name is this host's.
host=$(hostname -s)
mkdir -p "$tmp/state" "$tmp/spool" "$tmp/out"
chmod 700 "$tmp"

dd if=/dev/urandom of="$tmp/munge.key" bs=1024 count=1 status=none
chmod 400 "$tmp/munge.key"
munged --foreground --force --key-file="$tmp/munge.key" --socket="$tmp/munge.sock" \
    --pid-file="$tmp/munged.pid" --seed-file="$tmp/munge.seed" --log-file="$tmp/munged.log" \
    >>"$tmp/munged.log" 2>&1 &
pids+=($!)

cat >"$tmp/slurm.conf" <<CONF
ClusterName=mirvosimtest
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$ctld_port
SlurmdPort=$node_port
AuthType=auth/munge
AuthInfo=socket=$tmp/munge.sock
CredType=cred/munge
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
MpiDefault=none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
ReturnToService=2
SlurmdTimeout=30
NodeName=$host NodeAddr=127.0.0.1 NodeHostname=$host CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$tmp/slurm.conf

for _ in $(seq 50); do [[ -S $tmp/munge.sock ]] && break; sleep 0.1; done
[[ -S $tmp/munge.sock ]] || fail "munged did not start"
slurmctld -D -i -f "$SLURM_CONF" >>"$tmp/slurmctld.log" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" >>"$tmp/slurmd.log" 2>&1 &
pids+=($!)

deadline=$((SECONDS + timeout_s))
until sinfo -h -o '%t' 2>/dev/null | grep -qE '^(idle|mix|alloc)'; do
    ((SECONDS < deadline)) || fail "the node did not come up within ${timeout_s}s"
    sleep 0.5
done

study=(4 '?' 2000 40 99)
MIRVOSIM_CLI=$cli bash "$script" "${study[@]}" "$tmp/out" >"$tmp/submit.txt" || fail "submission failed"
until [[ -f $tmp/out/summary.json ]] && ! squeue -h | grep -q .; do
    ((SECONDS < deadline)) || fail "the study did not finish within ${timeout_s}s"
    sleep 0.5
done

"$cli" run --setting '?' --plays 2000 --sims 40 --seed 99 --independent --jobs 1 \
    --records "$tmp/whole.csv" >/dev/null || fail "the single-process study failed"
"$cli" summary "$tmp/whole.csv" >"$tmp/whole.txt" && "$cli" summary --json "$tmp/whole.csv" >"$tmp/whole.json" ||
    fail "the single-process summary failed"
cmp "$tmp/whole.txt" "$tmp/out/summary.txt" || fail "the cluster's summary differs from the single-process one"
cmp "$tmp/whole.json" "$tmp/out/summary.json" || fail "the cluster's JSON summary differs"
[[ $(ls "$tmp"/out/part-*.csv | wc -l) -eq 4 ]] || fail "expected 4 shard files"
echo "PASS: 4 shards on Slurm give the single-process summary"
