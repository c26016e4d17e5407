#include <cstdio>
#include <string>

#include "cli/Commands.h"

const CommandHelp RUN_HELP = {
    "run",
    "--setting X --plays N [--sims K] [--seed S] --out PATH [--records FILE]\n"
    "       mirvosim-cli run --setting X --plays N --sims K --independent [--seed S]\n"
    "                        [--shard I/M] [--jobs J] [--out PATH] [--records FILE]",
    "run      plays simulations exactly as the window does and writes each to a\n"
    "         simulation file.\n"
    "  --setting X  machine setting: 1 to 6, or ? for a setting drawn anew for\n"
    "               each simulation (write it as '?' in the shell)\n"
    "  --plays N    normal games per simulation (Play数), at least 1\n"
    "  --sims K     number of simulations (Sim回数), at least 1; default 1\n"
    "  --seed S     seed of the random source, 0 to 4294967295; default: the\n"
    "               calendar time in seconds, printed on stderr as 'seed: S' so\n"
    "               the run can be repeated\n"
    "  --out PATH   file to write. With K = 1 PATH is written as given; with\n"
    "               K > 1 simulation i goes to PATH with the tag\n"
    "               <setting>_<plays>_<i> put before the first '.' of the file\n"
    "               name (runs/test.sim -> runs/test3_800_12.sim), or at its end\n"
    "               when the name has no '.'.\n"
    "  --no-sync    do not wait until each file is on the disk; faster for\n"
    "               throw-away batches, but a power cut may leave files empty\n"
    "         The random source is seeded once; all K simulations continue one\n"
    "         sequence, as in one start of the window. Every written file name is\n"
    "         printed on stdout, one a line (on stderr when the file itself goes\n"
    "         to stdout). On a terminal, long batches show their progress on\n"
    "         stderr.\n"
    "  --records FILE  also write one record per simulation (setting, plays,\n"
    "               final balance, BIG, REG, BIG first hits, longest drought,\n"
    "               lowest and highest balance, balance at 100 grid points):\n"
    "               JSON lines when FILE ends in .jsonl, .ndjson or .json, else\n"
    "               CSV with a header. Written whole at the end or not at all.\n"
    "  --independent  simulation i (1..K) gets a random sequence of its own,\n"
    "               started at the state SplitMix64(S * 2^32 + i) (the output\n"
    "               function of SplitMix64 on that 64-bit value), so the same\n"
    "               S gives the same simulations however the run is split;\n"
    "               each starts on a new machine, as the first run after a\n"
    "               program start does. Files are named with the tag\n"
    "               <setting>_<plays>_<i> (i global); --out is optional when\n"
    "               --records is given.\n"
    "  --shard I/M  play only the I-th of M contiguous blocks of 1..K (needs\n"
    "               --seed): simulations floor((I-1)K/M)+1 .. floor(IK/M).\n"
    "  --jobs J     threads, 1 to 1024; default: one per core. Records and\n"
    "               files do not depend on J or on the shards.\n"};

const CommandHelp REPORT_HELP = {
    "report", "FILE",
    "report   prints the analysis of a simulation file as UTF-8 text: the play\n"
    "         list, the bonus list, the four rate tables and the summary, each\n"
    "         section a caption in [brackets], a header row and TAB-separated rows.\n"};

const CommandHelp CHARTS_HELP = {
    "charts", "FILE",
    "charts   prints the chart data of a simulation file: the play axis, the\n"
    "         slump, mode, marker and bonus-bar points (x, y, r,g,b) and the pie\n"
    "         slices (x, y, label, r,g,b).\n"};

const CommandHelp EXPORT_HELP = {
    "export", "FILE --what W --format csv|json [--bom] [--lf] [--out PATH]",
    "export   writes the analysis of a simulation file for spreadsheets and\n"
    "         scripts, on stdout or through a temporary file into PATH.\n"
    "  --what W     plays (the play list with the raw record fields), bonuses,\n"
    "               ren, koyaku, mode_stay, rt_cancel (one rate table), tables\n"
    "               (the four), summary, or all (CSV: one file per table into\n"
    "               the folder PATH, whose names are printed on stdout)\n"
    "  --format F   csv (RFC 4180, UTF-8, CRLF line ends) or json (one document)\n"
    "  --bom        CSV: start with a UTF-8 byte-order mark, for Excel\n"
    "  --lf         CSV: LF line ends instead of CRLF\n"};

int Fail(int status, const std::string& message)
{
    std::fprintf(stderr, "error: %s\n", message.c_str());
    return status;
}
