# Renders a terminal screen captured with `tmux capture-pane -e` (256-colour SGR codes) as
# an HTML page, for a screenshot in a headless browser.
import html, re, sys
# The xterm palette: 16 base colours, a 6x6x6 cube, 24 greys.
base = ["#000000","#cd0000","#00cd00","#cdcd00","#0000ee","#cd00cd","#00cdcd","#e5e5e5",
        "#7f7f7f","#ff0000","#00ff00","#ffff00","#5c5cff","#ff00ff","#00ffff","#ffffff"]
def color(n):
    if n < 16: return base[n]
    if n < 232:
        n -= 16; v = [0, 95, 135, 175, 215, 255]
        return "#%02x%02x%02x" % (v[n // 36], v[(n // 6) % 6], v[n % 6])
    g = 8 + (n - 232) * 10
    return "#%02x%02x%02x" % (g, g, g)
FG, BG = "#d0d0d0", "#1c1c1c"
out = []
for line in open(sys.argv[1], encoding="latin1").read().split("\n"):
    st = {"fg": None, "bg": None, "b": False, "rev": False, "ul": False}
    spans = []
    pos = 0
    for m in re.finditer(r"\x1b\[([0-9;]*)m|([^\x1b]+)", line):
        if m.group(2) is not None:
            fg, bg = st["fg"] or FG, st["bg"] or BG
            if st["rev"]: fg, bg = bg, fg
            style = f"color:{fg};background:{bg};" + ("font-weight:bold;" if st["b"] else "") + ("text-decoration:underline;" if st["ul"] else "")
            spans.append(f'<span style="{style}">{html.escape(m.group(2))}</span>')
            continue
        codes = [int(c) if c else 0 for c in m.group(1).split(";")]
        i = 0
        while i < len(codes):
            c = codes[i]
            if c == 0: st = {"fg": None, "bg": None, "b": False, "rev": False, "ul": False}
            elif c == 1: st["b"] = True
            elif c == 4: st["ul"] = True
            elif c == 7: st["rev"] = True
            elif c == 22: st["b"] = False
            elif c == 24: st["ul"] = False
            elif c == 27: st["rev"] = False
            elif 30 <= c <= 37: st["fg"] = color(c - 30)
            elif 90 <= c <= 97: st["fg"] = color(c - 90 + 8)
            elif 40 <= c <= 47: st["bg"] = color(c - 40)
            elif 100 <= c <= 107: st["bg"] = color(c - 100 + 8)
            elif c == 39: st["fg"] = None
            elif c == 49: st["bg"] = None
            elif c in (38, 48) and i + 2 < len(codes) and codes[i + 1] == 5:
                st["fg" if c == 38 else "bg"] = color(codes[i + 2]); i += 2
            i += 1
    out.append("".join(spans))
print(f'''<!doctype html><html><body style="margin:0;background:{BG}">
<pre style="margin:0;padding:8px;font:14px/1.25 'DejaVu Sans Mono',monospace;color:{FG};background:{BG}">''' + "\n".join(out) + "</pre></body></html>")
