/* moxa: run .mox programs inside another program.
 *
 * One call runs one whole program, held in memory, with the words that `cti` reads held in
 * memory too or supplied on demand by the host; the program's output goes to a function the
 * host supplies. Every run owns its state: any number of runs may go on at once, in any
 * threads. The header is valid C99 and C++; the library it belongs to exports these
 * functions and nothing else.
 *
 * Output is delivered while the run goes on: every complete line within about 100 ms of
 * being printed (output waits at most that long while the program computes), everything
 * printed before the run waits for input (before `read` is called), and everything at the
 * end. This holds in both builds: the run on a thread of its own, and the run on the
 * caller's stack (-DMOXA_THREADS=OFF, WebAssembly), where the run looks at a clock itself
 * every few thousand steps. */
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
    unsigned long long max_steps; /* 0: no limit. A budget of work that grows with run time (see moxa_options); it stops a program that would loop forever. */
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

/* Supplies the bytes that cti reads, on demand, after the `input` given to the run is used
 * up. Fills at most `capacity` bytes of `buffer` and returns how many; 0 means the input has
 * ended (cti then reads the empty word, as at the end of a file, and `read` is not called
 * again); MOXA_READ_STOP stops the run (it returns MOXA_STOPPED; nothing more is written),
 * and so does any other value above `capacity`. Called on the run's thread, only when the
 * run needs more input, after all output so far has been delivered to `write`. It may
 * block, e.g. while a person types; time spent in it does not count toward max_time. */
typedef size_t (*moxa_read_fn)(void *user, char *buffer, size_t capacity);
#ifdef __cplusplus
#define MOXA_READ_STOP (static_cast<size_t>(-1)) /* the same value, without a C cast */
#else
#define MOXA_READ_STOP ((size_t)-1)
#endif

/* Receives the run's trace: one call per record, `line` being one whole JSON object with its
 * line feed, exactly the line moxa-trace writes (a step, then a last record {"end": ...}).
 * Called on the run's thread, in order. NULL: no trace, and the run pays nothing for it.
 *
 * A step is {"step": N, "line": L, "col": C, "kind": K, ...}: N counts from 1; L and C (from
 * 1, the column in bytes) are where the statement's first token stands (the i2 or w2 of a
 * condition's test, on every pass of a loop). The kinds: "assign" and "read" with "var" and
 * "value"; "print" with "text" (the bytes written); "call" and "declare" with "name"; "if"
 * and "while" with "value" (the condition's) and "taken" (true when the branch or the body
 * runs next). A step that changed the value stack has "stack": {"keep": K, "push": [...]}:
 * after it the stack is its first K values from before it, then those of push, bottom first.
 * The last record is {"end": "ok" | "error" | "stopped", "steps": N}, an error adding
 * "message" (its line as printed, "" when it prints none) and the "line" and "col" of the
 * statement it happened in (or of the token it was found at, outside any statement). Every
 * value is a JSON string whose code points 0-255 are the value's bytes. */
typedef void (*moxa_trace_fn)(void *user, const char *line, size_t length);

/* Everything a run may be given besides its program, input and output. A field that is 0
 * (or NULL) asks for nothing.
 *
 * max_steps is a budget of work. A step is a bounded amount of work: one token of the
 * program read, one token of a loop's condition and body for every later pass of the loop,
 * 8 bytes of program or input taken in (charged while a long token, comment or run of blanks
 * is read, block by block of 64 KiB, where max_time and max_memory are looked at too),
 * 256 bytes of a text copied, joined or compared,
 * and 64 bytes of memory taken. A million steps take at most 0.1 s of processor time on the
 * machine the library is developed on (x86-64, optimised build with g++ 12; the costliest
 * shapes measured, such as long words read, many variables and long copies, take 0.02 to
 * 0.035 s), so max_steps bounds the run time of any program.
 *
 * max_output delivers exactly that many bytes of output, then stops the run.
 *
 * max_memory stops a program that piles up values, variables or loop records: growth is
 * charged before it happens, so the run never holds more than one and a half times the
 * limit; the text of a long token is charged before it grows. Memory that runs out
 * regardless gives MOXA_ERROR.
 *
 * max_time is measured by the run itself, in both builds, on the clock that time_clock names;
 * the run stops within a few milliseconds past it. Time spent in `read` does not count. The
 * wall clock (MOXA_WALL_CLOCK, the default) counts every moment from the start, so a run
 * that shares the processor with other runs takes longer by it; the processor time of the
 * run's own thread (MOXA_CPU_CLOCK) counts only the moments the run is executing, so the
 * limit means the same however many runs go on at once. Where a thread's processor time
 * cannot be read, MOXA_CPU_CLOCK reads the wall clock. A value of any size means "at most
 * that long": one past the clock's reach is no limit.
 *
 * stopped_by, when not NULL, receives why the run ended: MOXA_STOP_NONE for a run that
 * returned anything but MOXA_STOPPED, else the limit or the request that stopped it. */
#define MOXA_WALL_CLOCK 0
#define MOXA_CPU_CLOCK 1

#define MOXA_STOP_NONE 0   /* the run was not stopped */
#define MOXA_STOP_STEPS 1  /* max_steps */
#define MOXA_STOP_MEMORY 2 /* max_memory */
#define MOXA_STOP_TIME 3   /* max_time */
#define MOXA_STOP_OUTPUT 4 /* max_output */
#define MOXA_STOP_READ 5   /* the read function returned MOXA_READ_STOP */
typedef struct moxa_options {
    size_t size;                 /* sizeof(moxa_options) as the host was built with; later
                                    versions add fields only at the end */
    unsigned long long max_steps;
    size_t max_output;
    size_t max_memory;
    unsigned long long max_time; /* milliseconds (see time_clock); 0: no limit */
    moxa_read_fn read;           /* NULL: the input is `input` alone */
    void *read_user;
    moxa_trace_fn trace;         /* NULL: no trace */
    void *trace_user;
    int time_clock;              /* MOXA_WALL_CLOCK or MOXA_CPU_CLOCK: what max_time counts */
    int *stopped_by;             /* NULL, or where the reason of a stop is written */
} moxa_options;

/* As moxa_run, with options (NULL: none; fields past options->size count as zero). A stop
 * by max_time or by `read` returns MOXA_STOPPED, like the other limits. */
MOXA_API int moxa_run_with(const char *program, size_t program_length,
                           const char *input, size_t input_length,
                           const moxa_options *options, moxa_write_fn write, void *user);

MOXA_API const char *moxa_version(void); /* "MAJOR.MINOR.PATCH" */

#ifdef __cplusplus
}
#endif

#endif /* MOXA_MOXA_H */
