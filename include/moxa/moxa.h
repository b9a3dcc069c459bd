/* moxa: run .mox programs inside another program.
 *
 * One call runs one whole program, held in memory, with the words that `cti` reads held in
 * memory too; the program's output goes to a function the host supplies. Every run owns its
 * state: any number of runs may go on at once, in any threads. The header is valid C99 and
 * C++; the library it belongs to exports these functions and nothing else. */
#ifndef MOXA_MOXA_H
#define MOXA_MOXA_H

#include <stddef.h>

#if defined(__GNUC__) || defined(__clang__)
#define MOXA_API __attribute__((visibility("default")))
#else
#define MOXA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Receives the next `length` bytes of output (they may contain zero bytes). The bytes are
 * valid only during the call. It is called from the thread that runs the program, which may
 * be one the library starts for the run while moxa_run waits for it. */
typedef void (*moxa_write_fn)(void *user, const char *bytes, size_t length);

typedef struct moxa_limits {
    unsigned long long max_steps; /* 0: no limit. A budget of work that grows with run time; it stops a program that would loop forever. */
    size_t max_output;            /* bytes of output; 0: no limit */
    size_t max_memory;            /* bytes the run may hold (values, variables, value stack, loops); 0: no limit */
} moxa_limits;

#define MOXA_OK 0      /* the program ran to its end */
#define MOXA_ERROR 1   /* the program stopped at an error: its message and the error verdict were written */
#define MOXA_STOPPED 2 /* a limit stopped the run: everything written before the stop was delivered, nothing is added */
#define MOXA_INVALID (-1) /* the arguments make no run: a null pointer with a nonzero length; nothing was written */

/* The line the command writes before a run and the one it writes after a run that was not
 * stopped, each with an empty line either side; moxa_run writes neither. A host that shows
 * a run as the command does writes them around it. */
#define MOXA_OPENING "\nhello\n\n"
#define MOXA_CLOSING "\nbye\n\n"

/* Runs `program` as `moxa FILE` runs the file, with `input` as its standard input, and
 * passes every byte that the command would write to standard output to `write`, except the
 * opening MOXA_OPENING and the closing MOXA_CLOSING. A null `write` discards the output.
 * Returns MOXA_OK, MOXA_ERROR, MOXA_STOPPED or MOXA_INVALID. */
MOXA_API int moxa_run(const char *program, size_t program_length,
                      const char *input, size_t input_length, /* the words that cti reads */
                      const moxa_limits *limits,              /* NULL: no limits */
                      moxa_write_fn write, void *user);

MOXA_API const char *moxa_version(void); /* "MAJOR.MINOR.PATCH" */

#ifdef __cplusplus
}
#endif

#endif /* MOXA_MOXA_H */
