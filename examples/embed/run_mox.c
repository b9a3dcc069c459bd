/* run_mox: runs a .mox program through the moxa library, with limits.
 *
 *   run_mox [--steps N] [--output BYTES] [--memory BYTES] PROGRAM.mox [INPUT]
 *
 * The program's output goes to standard output as `moxa PROGRAM.mox < INPUT` writes it, but
 * without the opening and closing banners. A run stopped by a limit is reported on standard
 * error. Exit status: 0 the program ran to its end, 1 it stopped at an error, 2 a limit
 * stopped it, 3 the files could not be read or the arguments are wrong. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <moxa/moxa.h>

/* Reads a whole file into memory; returns NULL when it cannot. */
static char *read_file(const char *name, size_t *length) {
    FILE *f = fopen(name, "rb");
    char *data = NULL;
    size_t size = 0;
    size_t capacity = 0;
    if (f == NULL) return NULL;
    for (;;) {
        size_t n;
        if (size == capacity) {
            char *more;
            capacity = capacity == 0 ? 65536 : capacity * 2;
            more = realloc(data, capacity);
            if (more == NULL) break;
            data = more;
        }
        n = fread(data + size, 1, capacity - size, f);
        size += n;
        if (n == 0) {
            if (ferror(f)) break;
            fclose(f);
            *length = size;
            return data;
        }
    }
    free(data);
    fclose(f);
    return NULL;
}

static void write_stdout(void *user, const char *bytes, size_t length) {
    (void)user;
    fwrite(bytes, 1, length, stdout);
}

/* Parses a decimal count; returns 0 when `text` is not one. */
static int parse_count(const char *text, unsigned long long *value) {
    char *end = NULL;
    if (text == NULL || *text < '0' || *text > '9') return 0;
    *value = strtoull(text, &end, 10);
    return *end == '\0';
}

static int usage(void) {
    fputs("usage: run_mox [--steps N] [--output BYTES] [--memory BYTES] PROGRAM.mox [INPUT]\n",
          stderr);
    return 3;
}

int main(int argc, char **argv) {
    moxa_limits limits = {0, 0, 0};
    const char *files[2] = {NULL, NULL};
    int nfiles = 0;
    char *program;
    char *input = NULL;
    size_t program_length = 0;
    size_t input_length = 0;
    int i;
    int status;

    for (i = 1; i < argc; ++i) {
        unsigned long long n = 0;
        const char *option = argv[i];
        if (strcmp(option, "--steps") == 0 || strcmp(option, "--output") == 0 ||
            strcmp(option, "--memory") == 0) {
            if (i + 1 >= argc || !parse_count(argv[i + 1], &n)) return usage();
            ++i;
            if (option[2] == 's') limits.max_steps = n;
            if (option[2] == 'o') limits.max_output = (size_t)n;
            if (option[2] == 'm') limits.max_memory = (size_t)n;
        } else if (nfiles < 2) {
            files[nfiles++] = option;
        } else {
            return usage();
        }
    }
    if (nfiles == 0) return usage();

    program = read_file(files[0], &program_length);
    if (program == NULL) {
        fprintf(stderr, "run_mox: cannot read %s\n", files[0]);
        return 3;
    }
    if (files[1] != NULL) {
        input = read_file(files[1], &input_length);
        if (input == NULL) {
            fprintf(stderr, "run_mox: cannot read %s\n", files[1]);
            free(program);
            return 3;
        }
    }

    status = moxa_run(program, program_length, input, input_length, &limits, write_stdout, NULL);
    fflush(stdout);
    if (status == MOXA_STOPPED) fputs("run_mox: stopped by a limit\n", stderr);
    free(program);
    free(input);
    return status == MOXA_OK ? 0 : status == MOXA_ERROR ? 1 : status == MOXA_STOPPED ? 2 : 3;
}
