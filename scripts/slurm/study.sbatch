#!/bin/bash
#SBATCH --job-name=mirvosim-study
#SBATCH --array=1-8
#SBATCH --cpus-per-task=1
#SBATCH --output=mirvosim-study-%A_%a.out
#
# A large study on a Slurm cluster: one array task per shard, then a summary.
#
#   bash scripts/slurm/study.sbatch SHARDS SETTING PLAYS SIMS SEED OUTDIR
#
# submits the job array (SHARDS tasks; task K plays shard K/SHARDS of the SIMS
# independent simulations and writes OUTDIR/part-K.csv) and a job that starts
# once every task succeeded and writes OUTDIR/summary.txt and summary.json.
# The program is $MIRVOSIM_CLI, or mirvosim-cli on the PATH; OUTDIR must be
# on a file system that every node sees. Extra sbatch options (a partition,
# an account) go in $MIRVOSIM_SBATCH_OPTIONS.
set -euo pipefail

if [[ $# -ne 6 ]]; then
    echo "usage: bash study.sbatch SHARDS SETTING PLAYS SIMS SEED OUTDIR" >&2
    exit 2
fi
shards=$1 setting=$2 plays=$3 sims=$4 seed=$5 outdir=$6
cli=${MIRVOSIM_CLI:-mirvosim-cli}

if [[ -z ${SLURM_ARRAY_TASK_ID:-} ]]; then
    # Submitting: the array, then the summary that waits for all of it.
    mkdir -p "$outdir"
    outdir=$(cd "$outdir" && pwd)
    script=$(readlink -f "${BASH_SOURCE[0]}")
    # shellcheck disable=SC2086
    array=$(sbatch --parsable ${MIRVOSIM_SBATCH_OPTIONS:-} --array="1-$shards" \
        --output="$outdir/task-%a.out" --export=ALL "$script" "$@")
    array=${array%%;*}
    summary="'$cli' summary '$outdir'/part-*.csv > '$outdir/summary.txt' && '$cli' summary --json '$outdir'/part-*.csv > '$outdir/summary.json'"
    # shellcheck disable=SC2086
    last=$(sbatch --parsable ${MIRVOSIM_SBATCH_OPTIONS:-} --job-name=mirvosim-summary \
        --dependency="afterok:$array" --output="$outdir/summary.out" --export=ALL --wrap "$summary")
    echo "array $array summary ${last%%;*}"
    exit 0
fi

# An array task: its shard's records only (no simulation files).
exec "$cli" run --setting "$setting" --plays "$plays" --sims "$sims" --seed "$seed" --independent \
    --shard "$SLURM_ARRAY_TASK_ID/$shards" --jobs "${SLURM_CPUS_PER_TASK:-1}" \
    --records "$outdir/part-$SLURM_ARRAY_TASK_ID.csv"
