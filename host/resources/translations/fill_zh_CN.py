#!/usr/bin/env python3
"""Fills the Simplified Chinese catalogue from the glossary below.

Run after `cmake --build build --target ekr_update_translations` has added new
source texts; texts missing from the glossary are reported and left unfinished.
"""
import html
import re
import sys
from pathlib import Path

GLOSSARY = {
    "Select render output path": "选择渲染输出路径",
    "Select Monitor path": "选择监控路径",
    "Module %1 is invalid": "模块 %1 无效",
    "[%1] Module %2 is invalid": "[%1] 模块 %2 无效",
    "General": "常规",
    "Render": "渲染",
    "Reminder": "提醒",
    "VersionSetting": "版本设置",
    "Settings": "设置",
    "Browse": "浏览",
    "Enable auto download": "启用自动下载",
    "Enable auto login": "启用自动登录",
    "Start with system": "开机启动",
    "Enbale auto update": "启用自动更新",
    "Enbale prerender": "启用预渲染",
    "Enbale set argument": "启用参数设置",
    "Enbale interruption when error occurs": "出错时中断提交",
    "Enbale render layer": "启用渲染层",
    "Enable upload failed files automatically": "自动上传失败的文件",
    "Upload scene file only": "仅上传场景文件",
    "Popup after finish": "完成后弹出提示",
    "Sound after finish": "完成后播放提示音",
    "Update": "更新",
    "Apply": "应用",
    "Cancel": "取消",
    "Ok": "确定",
    "Storage path of render output": "渲染输出存储路径",
    "Monitored path of scene file": "场景文件监控路径",
    "Node pool": "节点池",
    "Subtask by frame": "按帧拆分子任务",
    "Transfer Type": "传输方式",
    "Double click table's colum two to set installation path": "双击表格第二列设置安装路径",
    "Current version": "当前版本",
    "Latest version": "最新版本",
    "Software Version": "软件版本",
    "Installation Path": "安装路径",
    "Choose software installation path": "选择软件安装路径",
    "Are you sure to quit and update?": "确定要退出并更新吗？",
    # Accessible names and descriptions of the widget tree.
    "Settings pages": "设置页面",
    "Browse for the storage path of render output": "浏览渲染输出存储路径",
    "Browse for the monitored path of scene files": "浏览场景文件监控路径",
    "Render software versions": "渲染软件版本",
    "Double-click a version's installation path to choose the folder it is installed in":
        "双击某个版本的安装路径，选择它的安装文件夹",
    "Minimize": "最小化",
    "Close": "关闭",
}

MESSAGE = re.compile(
    r"(<source>([^<]*)</source>\s*)<translation type=\"unfinished\">([^<]*)</translation>")


def main() -> int:
    path = Path(__file__).with_name("ekr_client_zh_CN.ts")
    text = path.read_text(encoding="utf-8")
    missing = []

    def fill(match: re.Match) -> str:
        source = html.unescape(match.group(2))
        if source not in GLOSSARY:
            missing.append(source)
            return match.group(0)
        return f"{match.group(1)}<translation>{html.escape(GLOSSARY[source], quote=False)}</translation>"

    path.write_text(MESSAGE.sub(fill, text), encoding="utf-8")
    for source in missing:
        print(f"no translation for: {source}", file=sys.stderr)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
