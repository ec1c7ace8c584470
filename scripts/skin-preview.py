#!/usr/bin/env python3
"""Composes review pictures from the generated skin pictures, for a designer's eye.

skin-preview.py IMAGEDIR OUTDIR

Writes contact.png (every picture at 100 % and enlarged), mock_main.png (the main
window's three pages, laid out with the skin's numbers, with the window shadow on
a desktop) and mock_msgbox.png (the message box, one- and two-button). Text is set
in Debian's WenQuanYi Micro Hei, standing in for the skin's 微软雅黑.
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"


def font(px):
    return ImageFont.truetype(FONT, px)


def text(img, box, s, px, color, align="left"):
    d = ImageDraw.Draw(img)
    f = font(px)
    l, t, r, b = box
    tw = d.textlength(s, font=f)
    x = l if align == "left" else (r - tw if align == "right" else l + (r - l - tw) / 2)
    asc, desc = f.getmetrics()
    y = t + (b - t - (asc + desc)) / 2
    d.text((x, y), s, font=f, fill=color)


def sub(img, box):
    return img.crop(box)


def put(dst, src, box):
    """Stretches src over box (like a control's image) and blends it in."""
    l, t, r, b = box
    s = src.resize((r - l, b - t), Image.LANCZOS) if src.size != (r - l, b - t) else src
    dst.alpha_composite(s.convert("RGBA"), (l, t))


def rrect(img, box, r, fill, outline=None):
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    ImageDraw.Draw(layer).rounded_rectangle(box, radius=r, fill=fill, outline=outline)
    img.alpha_composite(layer)


def nine_slice_shadow(shadow, w, h, edge=12):
    out = Image.new("RGBA", (w + 2 * edge, h + 2 * edge), (0, 0, 0, 0))
    sw, sh = shadow.size
    W, H = out.size
    cols = ((0, edge, 0, edge), (edge, sw - edge, edge, W - edge), (sw - edge, sw, W - edge, W))
    rows = ((0, edge, 0, edge), (edge, sh - edge, edge, H - edge), (sh - edge, sh, H - edge, H))
    for i, (sx0, sx1, dx0, dx1) in enumerate(cols):
        for j, (sy0, sy1, dy0, dy1) in enumerate(rows):
            if i == 1 and j == 1:
                continue
            piece = shadow.crop((sx0, sy0, sx1, sy1)).resize((dx1 - dx0, dy1 - dy0), Image.BILINEAR)
            out.paste(piece, (dx0, dy0))
    return out


def desktop(w, h):
    g = Image.linear_gradient("L").resize((w, h)).convert("RGBA")
    base = Image.new("RGBA", (w, h), (222, 228, 236, 255))
    return Image.blend(base, Image.new("RGBA", (w, h), (196, 206, 220, 255)), 0.5)


def check(img, pics, x, y, selected):
    src = pics["Controls_select_14x14@2x.png"]
    cell = src.crop((0, 28, 28, 56)) if selected else src.crop((0, 0, 28, 28))
    put(img, cell, (x, y + 1, x + 15, y + 16))


def main_window(pics, page, percent=37, success=True):
    w, h = 600, 400
    win = Image.new("RGBA", (w, 450), (255, 255, 255, 255))
    bk = {0: "install_img_01.png", 1: "install_img_02.png"}.get(page) or (
        "install_img_03.png" if success else "install_img_04.png")
    put(win, pics[bk], (0, 0, 600, 280))
    put(win, pics["icon_title_20x20.png"], (12, 12, 32, 32))
    text(win, (40, 14, 190, 30), "安装托尔文", 12, "#212429")
    if page != 1:
        put(win, pics["Head_btnsys_20x20@2x.png"].crop((40, 0, 80, 40)), (568, 12, 588, 32))
    if page == 1:
        text(win, (100, 241, 480, 262), "正在安装托尔文", 16, "#212429", "center")
    if page == 2:
        text(win, (100, 241, 480, 262), "安装完成" if success else "安装失败，请尝试重新安装或手动下载最新安装包！",
             16, "#212429", "center")
    y0 = 280
    if page == 0:
        rrect(win, (224, y0 + 24, 375, y0 + 67), 4, "#347BF6")
        text(win, (224, y0 + 24, 376, y0 + 68), "极速安装", 18, "#FFFFFF", "center")
        ry = y0 + 92
        check(win, pics, 18, ry, True)
        text(win, (38, ry, 118, ry + 16), "已阅读并同意", 12, "#969BA8")
        text(win, (123, ry, 223, ry + 16), "《用户许可协议》", 12, "#347BF6")
        text(win, (223, ry, 246, ry + 16), "和", 12, "#969BA8", "center")
        text(win, (246, ry, 326, ry + 16), "《隐私政策》", 12, "#347BF6")
        text(win, (512, ry, 572, ry + 16), "自定义安装", 12, "#969BA8", "center")
        put(win, pics["expand_12x12.png"], (572, ry + 2, 584, ry + 14))
        sy = ry + 28
        win.paste((234, 235, 237, 255), (0, sy, 600, sy + 1))
        uy = sy + 1
        text(win, (18, uy + 16, 79, uy + 32), "安装位置：", 12, "#333333")
        rrect(win, (87, uy + 11, 556, uy + 38), 3, None, (115, 129, 160, 38))
        text(win, (97, uy + 17, 556, uy + 33), "C:\\Program Files\\Torvane\\", 12, "#333333")
        rrect(win, (556, uy + 11, 585, uy + 38), 3, None, (115, 129, 160, 38))
        put(win, pics["icon_folder_14x14.png"], (564, uy + 18, 578, uy + 32))
        h = 450
    elif page == 1:
        text(win, (32, y0 + 36, 132, y0 + 56), "正在安装", 14, "#333333")
        text(win, (132, y0 + 36, 540, y0 + 56), "%d%%" % percent, 14, "#333333", "right")
        py = y0 + 66 + 16
        rrect(win, (32, py, 567, py + 3), 2, "#EAEBED")
        fore = pics["progress_fore.png"]
        fw = 536 * percent // 100
        bar = Image.new("RGBA", (fw, 4))
        bar.paste(fore.crop((0, 0, 3, 4)), (0, 0))
        bar.paste(fore.crop((3, 0, 5, 4)).resize((fw - 6, 4), Image.BILINEAR), (3, 0))
        bar.paste(fore.crop((5, 0, 8, 4)), (fw - 3, 0))
        win.alpha_composite(bar, (32, py))
    else:
        if success:
            check(win, pics, 230, y0 + 12, True)
            text(win, (252, y0 + 12, 350, y0 + 28), "创建桌面快捷方式", 12, "#969BA8")
        rrect(win, (218, y0 + 39, 361, y0 + 80), 3, "#347BF6")
        text(win, (218, y0 + 39, 362, y0 + 81), "立即体验" if success else "确定", 18, "#FFFFFF", "center")
    return win.crop((0, 0, 600, h))


def framed(pics, win):
    w, h = win.size
    out = desktop(w + 80, h + 80)
    out.alpha_composite(nine_slice_shadow(pics["Window_shadow.png"], w, h), (28, 28))
    out.alpha_composite(win, (40, 40))
    return out


def message_box(pics, two_buttons):
    w, h = 380, 168 if two_buttons else 150
    win = Image.new("RGBA", (w, h), (255, 255, 255, 255))
    icons = pics["messagebox_icon_22x22.png"]
    put(win, icons.crop((0, 66, 22, 88)) if two_buttons else icons.crop((0, 0, 22, 22)), (20, 20, 42, 42))
    text(win, (52, 20, 252, 42), "安装托尔文", 14, "#212429")
    close = pics["Head_btnsys_20x20@2x.png"].crop((40, 120, 80, 160) if two_buttons else (40, 0, 80, 40))
    put(win, close, (348, 12, 368, 32))
    msg = ("继续安装会强行退出正在运行的托尔文，", "您确定要安装吗？") if two_buttons else ("您选择的程序安装目录不合法，请重新选择！",)
    for i, line in enumerate(msg):
        text(win, (52, 64 + 18 * i, 340, 82 + 18 * i), line, 12, "#5F6675")
    by = h - 50
    if two_buttons:
        rrect(win, (214, by, 281, by + 29), 4, "#347BF6")
        text(win, (214, by, 282, by + 30), "安装", 12, "#FFFFFF", "center")
        rrect(win, (292, by, 359, by + 29), 4, "#FFFFFF", "#D5D9E0")
        text(win, (292, by, 360, by + 30), "取消", 12, "#5F6675", "center")
    else:
        rrect(win, (292, by, 359, by + 29), 4, "#347BF6")
        text(win, (292, by, 360, by + 30), "确定", 12, "#FFFFFF", "center")
    return win


def contact(pics):
    names = sorted(pics)
    cols_w = 1280
    tiles = []
    for n in names:
        im = pics[n]
        zoom = 1 if im.size[0] >= 200 else max(1, min(8, 160 // max(im.size)))
        tiles.append((n, im, zoom))
    height = sum(max(im.size[1], im.size[1] * z) + 40 for _, im, z in tiles) + 20
    sheet = Image.new("RGBA", (cols_w, height), (255, 255, 255, 255))
    d = ImageDraw.Draw(sheet)
    y = 10
    for n, im, z in tiles:
        d.text((10, y), "%s  %dx%d%s" % (n, im.size[0], im.size[1], "" if z == 1 else "  (100 %% and x%d)" % z),
               font=font(13), fill="#333333")
        y += 22
        checker = Image.new("RGBA", (im.size[0] * max(z, 1) + im.size[0] + 30, max(im.size[1] * z, im.size[1])),
                            (236, 240, 246, 255))
        sheet.alpha_composite(checker, (10, y))
        sheet.alpha_composite(im, (10, y))
        if z > 1:
            sheet.alpha_composite(im.resize((im.size[0] * z, im.size[1] * z), Image.NEAREST), (10 + im.size[0] + 20, y))
        y += max(im.size[1], im.size[1] * z) + 18
    return sheet


def main(argv):
    src, out = argv[1], argv[2]
    os.makedirs(out, exist_ok=True)
    pics = {n: Image.open(os.path.join(src, n)).convert("RGBA") for n in os.listdir(src) if n.endswith(".png")}
    contact(pics).save(os.path.join(out, "contact.png"))
    pages = [framed(pics, main_window(pics, 0)), framed(pics, main_window(pics, 1)),
             framed(pics, main_window(pics, 2, success=True)), framed(pics, main_window(pics, 2, success=False))]
    for i, p in enumerate(pages):
        p.save(os.path.join(out, "mock_main_%d.png" % i))
    boxes = [framed(pics, message_box(pics, False)), framed(pics, message_box(pics, True))]
    for i, p in enumerate(boxes):
        p.save(os.path.join(out, "mock_msgbox_%d.png" % i))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
