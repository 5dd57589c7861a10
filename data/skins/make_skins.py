#!/usr/bin/env python3
"""Generates one shipped skin: its PNG pictures and skin.ini (UTF-16 + BOM).

usage: make_skins.py <skin> <output folder> [--preview <file.png>]
       skin: skin | night

With --preview it also writes the small picture config's appearance page
shows beside the skin list (the archive's path with ".png" in place of
".col").

Every size and position in skin.ini is computed here from the same numbers
that draw the pictures, so the two cannot drift apart. Edit THEMES for
colours and the constants below for geometry.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from raster import Canvas, rgb  # noqa: E402

THEMES = {
    'skin': {
        'name': '清新', 'description': '浅色、细边框、圆角的默认皮肤',
        'background': '#FAFBFD', 'border': '#CDD5E0', 'separator': '#E4E9F0',
        'text': '#1F2329', 'muted': '#8A94A6', 'accent': '#2F6FEB',
        'icon': '#3C4656', 'hover': '#E6EEFB', 'pressed': '#D0DEF7',
        'disabled': '#C3C9D3', 'first_text': '#2F6FEB', 'first_back': '#E3EDFF',
        'hover_text': '#1F2329', 'hover_back': '#EEF2F8', 'temp': '#B35C00',
        'user': '#1E7F4F', 'cursor': '#2F6FEB',
    },
    'night': {
        'name': '夜色', 'description': '深色背景、柔和高亮的夜间皮肤',
        'background': '#2A2D34', 'border': '#454B57', 'separator': '#3A3F48',
        'text': '#E6E8EB', 'muted': '#9BA3B0', 'accent': '#6EA2FF',
        'icon': '#D5D9E0', 'hover': '#3A404C', 'pressed': '#4A5262',
        'disabled': '#5E6573', 'first_text': '#FFFFFF', 'first_back': '#3A5B94',
        'hover_text': '#FFFFFF', 'hover_back': '#3A404C', 'temp': '#F0A860',
        'user': '#7FD1A6', 'cursor': '#6EA2FF',
    },
}

VERSION = '1.0'
OWNER = '星禾输入法'
CONTACT = 'https://zinnor.example/skins'
FONT = '微软雅黑'
CODE_FONT_SIZE = -15
CANDIDATE_FONT_SIZE = -17

RADIUS = 7          # corner radius of the windows
ICON = 24           # status-bar button pictures are ICON x ICON
PAGE = 18           # page buttons of the candidate window
STROKE = 1.7        # glyph stroke width in pixels

# Glyphs as strokes in a unit box: lists of (x0, y0, x1, y1).
GLYPHS = {
    '中': [(.22, .30, .78, .30), (.22, .30, .22, .64), (.78, .30, .78, .64),
          (.22, .64, .78, .64), (.50, .06, .50, .96)],
    '英': [(.10, .19, .90, .19), (.34, .05, .34, .33), (.66, .05, .66, .33),
          (.28, .42, .72, .42), (.28, .42, .28, .62), (.72, .42, .72, .62),
          (.08, .64, .92, .64), (.50, .33, .50, .64), (.50, .64, .14, .95),
          (.50, .64, .88, .95)],
    '全': [(.50, .05, .08, .44), (.50, .05, .92, .44), (.26, .50, .74, .50),
          (.30, .71, .70, .71), (.16, .93, .84, .93), (.50, .50, .50, .93)],
    '半': [(.28, .08, .38, .24), (.72, .08, .62, .24), (.20, .37, .80, .37),
          (.08, .63, .92, .63), (.50, .04, .50, .97)],
    'A': [(.16, .92, .50, .08), (.50, .08, .84, .92), (.30, .62, .70, .62)],
    'menu': [(.14, .26, .86, .26), (.14, .50, .86, .50), (.14, .74, .86, .74)],
}


def colour(theme, key, alpha=1.0):
    r, g, b = rgb(THEMES[theme][key])
    return (r, g, b, alpha)


def colorref(hex_text):
    """skin.ini colours: the decimal value of a Windows COLORREF (0x00BBGGRR)."""
    r, g, b = rgb(hex_text)
    return r | (g << 8) | (b << 16)


def strokes(canvas, name, x, y, size, ink, width=STROKE):
    for x0, y0, x1, y1 in GLYPHS[name]:
        canvas.line(x + x0 * size, y + y0 * size, x + x1 * size, y + y1 * size, width, ink)


def button_base(theme, state):
    """A transparent button picture; hover and pressed states get a soft plate."""
    c = Canvas(ICON, ICON)
    if state == 1:
        c.rounded_rect(1, 1, ICON - 1, ICON - 1, 5, colour(theme, 'hover'))
    elif state == 2:
        c.rounded_rect(1, 1, ICON - 1, ICON - 1, 5, colour(theme, 'pressed'))
    return c


def glyph_icon(theme, state, name, ink_key='icon'):
    c = button_base(theme, state)
    strokes(c, name, 5, 5, ICON - 10, colour(theme, ink_key))
    return c


def flag_icon(theme, state):
    c = button_base(theme, state)
    c.circle(12, 12, 9.5, colour(theme, 'accent'))
    star = []
    for i in range(10):
        r = 6.2 if i % 2 == 0 else 2.6
        a = -math.pi / 2 + i * math.pi / 5
        star.append((12 + r * math.cos(a), 12.4 + r * math.sin(a)))
    c.polygon(star, (255, 255, 255, 1.0))
    return c


def punctuation_icon(theme, state, chinese):
    c = button_base(theme, state)
    ink = colour(theme, 'icon')
    if chinese:
        c.ring(8.0, 15.0, 2.6, 1.5, ink)                 # 。
        c.circle(16.0, 14.5, 2.0, ink)                    # ，
        c.line(17.6, 15.0, 14.6, 19.5, 1.6, ink)
    else:
        c.circle(8.0, 16.5, 1.7, ink)                     # .
        c.circle(15.5, 15.5, 1.7, ink)                    # ,
        c.line(16.8, 16.0, 14.6, 19.5, 1.4, ink)
    return c


def keyboard_icon(theme, state, on):
    c = button_base(theme, state)
    ink = colour(theme, 'accent' if on else 'icon')
    c.rounded_rect(3.5, 6.5, 20.5, 18.5, 2.5, ink)
    c.rounded_rect(5.0, 8.0, 19.0, 17.0, 1.5,
                   colour(theme, 'pressed' if state == 2 else ('hover' if state == 1
                                                              else 'background')))
    for row, y in enumerate((10.0, 12.7)):
        for k in range(5):
            c.circle(7.2 + k * 2.4 + (row * 0.6), y, 0.75, ink)
    c.line(9.0, 15.3, 15.0, 15.3, 1.3, ink)
    return c


def capslock_icon(theme, state):
    c = button_base(theme, state)
    strokes(c, 'A', 6, 4, 12, colour(theme, 'accent'))
    c.line(7, 20, 17, 20, 1.6, colour(theme, 'accent'))
    return c


def page_icon(theme, state, forward):
    """Page buttons: _1 is the hover (and pressed) look, _2 the disabled look."""
    c = Canvas(PAGE, PAGE)
    ink = colour(theme, 'disabled' if state == 2 else 'accent')
    if state == 1:
        c.rounded_rect(0.5, 0.5, PAGE - 0.5, PAGE - 0.5, 4, colour(theme, 'hover'))
    m = PAGE / 2.0
    dx = 2.6 if forward else -2.6
    c.line(m - dx, m - 5, m + dx, m, 1.9, ink)
    c.line(m + dx, m, m - dx, m + 5, 1.9, ink)
    return c


def panel(theme, width, height, separator_y=None):
    """A window background: soft fill, one-pixel border, rounded corners."""
    c = Canvas(width, height)
    c.rounded_rect(0, 0, width, height, RADIUS, colour(theme, 'border'))
    c.rounded_rect(1, 1, width - 1, height - 1, RADIUS - 1, colour(theme, 'background'))
    if separator_y is not None:
        c.line(10, separator_y, width - 10, separator_y, 1.0, colour(theme, 'separator'))
    return c


def status_bar(theme):
    """The bar picture and the button positions drawn on it."""
    names = ['logo', 'chinese', 'width', 'punctuation', 'keyboard', 'menu']
    pad, gap = 6, 2
    width = pad + len(names) * ICON + (len(names) - 1) * gap + pad + 4
    height = ICON + 10
    bar = panel(theme, width, height)
    positions = {}
    x = pad
    for name in names:
        positions[name] = (x, 5)
        x += ICON + gap
        if name == 'logo':
            # A hairline after the logo separates it from the state buttons.
            bar.line(x + 1, 9, x + 1, height - 9, 1.0, colour(theme, 'separator'))
            x += 4
    return bar, positions


# Candidate layouts: size of the picture, code line (merged only), margins.
LAYOUTS = {
    # name: (picture, width, height, merged, vertical)
    '合并': ('candHB', 300, 66, True, False),
    '合并-竖排': ('candHB_shu', 190, 96, True, True),
    '嵌入': ('candQR', 280, 42, False, False),
    '嵌入-竖排': ('candQR_shu', 170, 70, False, True),
}
MARGIN_X = 12
BOTTOM = 8


def layout_values(section):
    picture, width, height, merged, vertical = LAYOUTS[section]
    code_y = 7
    separator = 31 if merged else None
    cand_y = 36 if merged else 9
    # Page buttons sit top right, in a band the right margin keeps free of
    # text; in the embedded vertical layout they stack in a column.
    if merged or not vertical:
        up = (width - 2 * PAGE - 12, code_y if merged else (height - PAGE) // 2)
        down = (width - PAGE - 10, up[1])
        right = 2 * PAGE + 20
    else:
        right = PAGE + 16
        up = (width - PAGE - 8, 8)
        down = (width - PAGE - 8, 8 + PAGE + 4)
    # Stretch areas: uniform columns and rows away from corners and buttons.
    columns = (RADIUS + 8, min(up[0], down[0]) - 8)
    first_row = max(cand_y + 4, down[1] + PAGE + 2)
    rows = (first_row, max(first_row, height - RADIUS - 3))
    # Button coordinates past the stretch ranges are measured with the margin.
    def place(p):
        x = p[0] + right if p[0] > columns[1] else p[0]
        y = p[1] + BOTTOM if p[1] > rows[1] else p[1]
        return x, y

    return {
        'picture': picture, 'width': width, 'height': height, 'separator': separator,
        'keys': [
            ('后翻页按钮位置', '%d,%d' % place(down)),
            ('前翻页按钮位置', '%d,%d' % place(up)),
            ('中英文标点按钮位置', '-1,-1'),
            ('全角半角按钮位置', '-1,-1'),
            ('扩展按钮1位置', '-1,-1'),
            ('扩展按钮2位置', '-1,-1'),
            ('编码起始位置', '%d,%d' % (MARGIN_X, code_y)),
            ('候选起始位置', '%d,%d' % (MARGIN_X, cand_y)),
            ('序号-字词间距', '3'),
            ('字词-提示间距', '4'),
            ('候选间距', '14'),
            ('行间距', '4'),
            ('横向拉伸区域', '%d,%d' % columns),
            ('纵向拉伸区域', '%d,%d' % rows),
            ('右边距', str(right)),
            ('下边距', str(BOTTOM)),
            ('最小宽度', str(width)),
            ('最小高度', str(height)),
            ('右侧候选横向偏移量', '0'),
            ('右侧候选纵向偏移量', '0'),
            ('下方候选横向偏移量', '0'),
            ('下方候选纵向偏移量', '0'),
            ('序号后缀', '.'),
        ],
    }


def skin_ini(theme, bar_positions):
    t = THEMES[theme]
    lines = [
        '; 皮肤说明：由 data/skins/make_skins.py 生成，请修改脚本而不是本文件。',
        '[-皮肤信息-]',
        '名称=' + t['name'], '描述=' + t['description'], '版本=' + VERSION,
        '所有者名称=' + OWNER, '所有者联系方式=' + CONTACT,
        '',
        '[-文字显示-]',
        '编码字体颜色=#%d' % colorref(t['accent']), '编码字体名称=' + FONT,
        '编码字体大小=%d' % CODE_FONT_SIZE, '编码字体粗细=400',
        '候选字体颜色=#%d' % colorref(t['text']), '候选字体名称=' + FONT,
        '候选字体大小=%d' % CANDIDATE_FONT_SIZE, '候选字体粗细=400',
        '从右向左的文字=0',
        '序号字体颜色=#%d' % colorref(t['muted']),
        '提示字体颜色=#%d' % colorref(t['muted']),
        '临时词候选颜色=#%d' % colorref(t['temp']),
        '用户词候选颜色=#%d' % colorref(t['user']),
        '第一候选颜色=#%d' % colorref(t['first_text']),
        '第一候选背景色=#%d' % colorref(t['first_back']),
        '鼠标处候选背景色=#%d' % colorref(t['hover_back']),
        '鼠标处候选颜色=#%d' % colorref(t['hover_text']),
        '编码最多显示个数=40', '候选最多显示个数=24',
        '光标颜色=#%d' % colorref(t['cursor']),
        '',
        '[-状态栏窗口-]',
        '状态栏默认位置=6',
        '输入法标志位置=%d,%d' % bar_positions['logo'],
        '中英文状态按钮位置=%d,%d' % bar_positions['chinese'],
        '全角半角按钮位置=%d,%d' % bar_positions['width'],
        '中英文标点按钮位置=%d,%d' % bar_positions['punctuation'],
        '软键盘按钮位置=%d,%d' % bar_positions['keyboard'],
        '菜单按钮位置=%d,%d' % bar_positions['menu'],
        '扩展按钮1位置=-1,-1', '扩展按钮2位置=-1,-1',
        'cn_1=中文', 'cn_2=英文', 'cn_3=大写',
    ]
    for section in LAYOUTS:
        lines += ['', '[-候选窗口-%s-]' % section]
        lines += ['%s=%s' % kv for kv in layout_values(section)['keys']]
    return '\r\n'.join(lines) + '\r\n'


def button_pictures(theme):
    """name -> function(state) drawing that status-bar or page button."""
    return {
        'flag': lambda s: flag_icon(theme, s),
        'cn': lambda s: glyph_icon(theme, s, '中'),
        'en': lambda s: glyph_icon(theme, s, '英'),
        'capslock': lambda s: capslock_icon(theme, s),
        'quan': lambda s: glyph_icon(theme, s, '全'),
        'ban': lambda s: glyph_icon(theme, s, '半'),
        'cn_biaodian': lambda s: punctuation_icon(theme, s, True),
        'en_biaodian': lambda s: punctuation_icon(theme, s, False),
        'key1': lambda s: keyboard_icon(theme, s, False),   # soft keyboard off
        'key2': lambda s: keyboard_icon(theme, s, True),    # soft keyboard on
        'menu': lambda s: glyph_icon(theme, s, 'menu'),
        'up': lambda s: page_icon(theme, s, False),
        'down': lambda s: page_icon(theme, s, True),
    }


PREVIEW = (122, 100)  # the appearance page's preview box at the usual font size


def preview(theme):
    """A candidate window with a code line and four candidates above a
    status bar with its first buttons: drawn small, words shown as bars."""
    width, height = PREVIEW
    c = Canvas(width, height)
    left, top = 5, 4          # the 112 x 92 drawing in the middle
    cand_w, cand_h, line_y = 108, 46, 20
    c.draw(panel(theme, cand_w, cand_h, line_y), left + 2, top + 6)
    c.rounded_rect(left + 12, top + 13, left + 34, top + 17, 2, colour(theme, 'accent'))
    x = left + 10
    for i, w in enumerate((10, 12, 8, 10)):
        if i == 0:
            c.rounded_rect(x - 3, top + 32, x + w + 10, top + 45, 3, colour(theme, 'first_back'))
        ink = colour(theme, 'first_text' if i == 0 else 'text')
        c.circle(x + 1.5, top + 38.5, 1.6, colour(theme, 'muted'))    # the label
        c.rounded_rect(x + 5, top + 36, x + 5 + w, top + 41, 2, ink)     # the word
        x += w + 12
    # The states a fresh install starts in: Chinese, half width.
    names = ['flag', 'cn', 'ban']
    pad, gap = 6, 2
    bar = panel(theme, pad * 2 + len(names) * ICON + (len(names) - 1) * gap, ICON + 10)
    pictures = button_pictures(theme)
    for i, name in enumerate(names):
        bar.draw(pictures[name](0), pad + i * (ICON + gap), 5)
    c.draw(bar, left + 2, top + 92 - bar.height - 4)
    return c


def main():
    args = sys.argv[1:]
    preview_path = None
    if len(args) == 4 and args[2] == '--preview':
        preview_path = args[3]
        args = args[:2]
    if len(args) != 2 or args[0] not in THEMES:
        sys.exit(__doc__)
    theme, out = args
    os.makedirs(out, exist_ok=True)

    def save(name, canvas):
        with open(os.path.join(out, name + '.png'), 'wb') as f:
            f.write(canvas.png())

    bar, positions = status_bar(theme)
    save('bar', bar)
    for section in LAYOUTS:
        v = layout_values(section)
        save(v['picture'], panel(theme, v['width'], v['height'], v['separator']))
    for name, draw in button_pictures(theme).items():
        for state, suffix in ((0, ''), (1, '_1'), (2, '_2')):
            save(name + suffix, draw(state))
    with open(os.path.join(out, 'skin.ini'), 'wb') as f:
        f.write(b'\xff\xfe' + skin_ini(theme, positions).encode('utf-16-le'))
    if preview_path:
        with open(preview_path, 'wb') as f:
            f.write(preview(theme).png())


if __name__ == '__main__':
    main()
