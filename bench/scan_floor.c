/* scan_floor: the floor for the scan workload. A plain C tokeniser that splits
 * a moxa program into the tokens moxa's scanner delivers (numbers with ','
 * fractions and exponents, words, names, text literals, comments, one- and
 * two-character operators) and prints how many there were, without executing
 * anything. It reads the file in 64 KiB blocks, so memory stays constant.
 *
 * It follows the scanner on well-formed programs, which is what it is timed
 * on; the rare recovery rules (characters dropped in the middle of a number or
 * a name) are left out, as a tokeniser written for speed would leave them.
 *
 * Usage: scan_floor FILE     prints "tokens N lines L": the tokens before the
 *                            end of input, and the lines counted */
#include <stdio.h>

enum { BLOCK = 65536 };

struct source {
    FILE *file;
    unsigned char block[BLOCK];
    size_t at, end;
    int back; /* one character of pushback, -2 when empty */
    long lines;
};

static int next(struct source *s)
{
    int c;
    if (s->back != -2) {
        c = s->back;
        s->back = -2;
        return c;
    }
    if (s->at == s->end) {
        s->end = fread(s->block, 1, BLOCK, s->file);
        s->at = 0;
        if (s->end == 0)
            return -1;
    }
    c = s->block[s->at++];
    if (c == '\n')
        s->lines++;
    return c;
}

static int digit(int c) { return c >= '0' && c <= '9'; }
static int lower(int c) { return c >= 'a' && c <= 'z'; }
static int word_char(int c) { return lower(c) || digit(c) || c == '_'; }

/* The rest of a number whose first digit has been read. */
static void number(struct source *s)
{
    int c = next(s);
    while (digit(c))
        c = next(s);
    if (c == ',') {
        c = next(s);
        while (digit(c))
            c = next(s);
    }
    if (c == 'e') {
        c = next(s);
        if (c == '+' || c == '-')
            c = next(s);
        while (digit(c))
            c = next(s);
    }
    s->back = c;
}

static void word(struct source *s)
{
    int c = next(s);
    while (word_char(c))
        c = next(s);
    s->back = c;
}

int main(int argc, char **argv)
{
    static struct source s;
    long tokens = 0;
    int c, d;
    if (argc != 2) {
        fputs("usage: scan_floor FILE\n", stderr);
        return 2;
    }
    s.file = fopen(argv[1], "rb");
    if (s.file == NULL) {
        perror(argv[1]);
        return 1;
    }
    s.back = -2;
    s.lines = 1;
    for (;;) {
        c = next(&s);
        switch (c) {
        case '\t': case '\n': case ' ':
            continue;
        case '!': case '<': case '>':
            d = next(&s);
            if (d != '=')
                s.back = d;
            break;
        case '"':
            for (d = next(&s); d != '"' && d != -1; d = next(&s))
                if (d == '/')
                    next(&s);
            break;
        case '+':
            d = next(&s);
            if (digit(d))
                number(&s);
            else
                s.back = d;
            break;
        case '-':
            d = next(&s);
            if (digit(d))
                number(&s);
            else if (d != '>')
                s.back = d;
            break;
        case '0': case '1': case '2': case '3': case '4':
        case '5': case '6': case '7': case '8': case '9':
            number(&s);
            break;
        case '@': case '~': case '?':
            word(&s);
            break;
        case ':':
            d = next(&s);
            if (d == ':') {
                while (d != '\n' && d != -1)
                    d = next(&s);
            } else if (d == '!') {
                int prev = 0;
                for (d = next(&s); d != -1 && !(prev == '!' && d == ':'); d = next(&s))
                    prev = d;
            } else {
                s.back = d;
            }
            continue;
        case '%': case '&': case '(': case ')': case '*': case '/':
        case '=': case '^': case '_': case '|': case ';': case '{': case '}':
            break;
        case -1:
            break; /* the end: moxa's end-of-input token is not counted */
        default:
            if (c == '.' || lower(c)) {
                word(&s);
                break;
            }
            continue; /* dropped */
        }
        if (c == -1)
            break;
        tokens++;
    }
    fclose(s.file);
    printf("tokens %ld lines %ld\n", tokens, s.lines);
    return 0;
}
