/* libsmf's load and save times, for comparison only: built by run_bench.py
 * with the system's libsmf, never by the project's build.
 *   libsmf_bench load FILE N        N loads, prints each time in ms
 *   libsmf_bench save FILE OUT N    one load, N saves
 */
#include <smf.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const int save = strcmp(argv[1], "save") == 0;
    const int n = atoi(argv[save ? 4 : 3]);
    smf_t* song = NULL;
    if (save && !(song = smf_load(argv[2])))
        return 1;
    for (int i = 0; i < n; ++i) {
        const double t0 = now_ms();
        if (save) {
            if (smf_save(song, argv[3]) != 0)
                return 1;
        } else {
            smf_t* s = smf_load(argv[2]);
            if (!s)
                return 1;
            if (i == n - 1)
                fprintf(stderr, "events %d\n", (int)s->number_of_tracks);
            smf_delete(s);
        }
        printf("%.3f\n", now_ms() - t0);
    }
    if (song)
        smf_delete(song);
    return 0;
}
