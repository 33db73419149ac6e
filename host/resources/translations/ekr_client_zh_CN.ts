<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>EKConfiguration</name>
    <message>
        <source>Select render output path</source>
        <translation>选择渲染输出路径</translation>
    </message>
    <message>
        <source>Select Monitor path</source>
        <translation>选择监控路径</translation>
    </message>
</context>
<context>
    <name>EKConfigurationDialog</name>
    <message>
        <source>Settings pages</source>
        <translation>设置页面</translation>
    </message>
    <message>
        <source>Storage path of render output</source>
        <translation>渲染输出存储路径</translation>
    </message>
    <message>
        <source>Browse for the storage path of render output</source>
        <translation>浏览渲染输出存储路径</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>浏览</translation>
    </message>
    <message>
        <source>Monitored path of scene file</source>
        <translation>场景文件监控路径</translation>
    </message>
    <message>
        <source>Browse for the monitored path of scene files</source>
        <translation>浏览场景文件监控路径</translation>
    </message>
    <message>
        <source>Node pool</source>
        <translation>节点池</translation>
    </message>
    <message>
        <source>Subtask by frame</source>
        <translation>按帧拆分子任务</translation>
    </message>
    <message>
        <source>Transfer Type</source>
        <translation>传输方式</translation>
    </message>
    <message>
        <source>Start with system</source>
        <translation>开机启动</translation>
    </message>
    <message>
        <source>Enable auto login</source>
        <translation>启用自动登录</translation>
    </message>
    <message>
        <source>Enable auto download</source>
        <translation>启用自动下载</translation>
    </message>
    <message>
        <source>Enbale prerender</source>
        <translation>启用预渲染</translation>
    </message>
    <message>
        <source>Enbale set argument</source>
        <translation>启用参数设置</translation>
    </message>
    <message>
        <source>Enbale render layer</source>
        <translation>启用渲染层</translation>
    </message>
    <message>
        <source>Enbale interruption when error occurs</source>
        <translation>出错时中断提交</translation>
    </message>
    <message>
        <source>Upload scene file only</source>
        <translation>仅上传场景文件</translation>
    </message>
    <message>
        <source>Enable upload failed files automatically</source>
        <translation>自动上传失败的文件</translation>
    </message>
    <message>
        <source>Render software versions</source>
        <translation>渲染软件版本</translation>
    </message>
    <message>
        <source>Double-click a version&apos;s installation path to choose the folder it is installed in</source>
        <translation>双击某个版本的安装路径，选择它的安装文件夹</translation>
    </message>
    <message>
        <source>Double click table&apos;s colum two to set installation path</source>
        <translation>双击表格第二列设置安装路径</translation>
    </message>
    <message>
        <source>Sound after finish</source>
        <translation>完成后播放提示音</translation>
    </message>
    <message>
        <source>Popup after finish</source>
        <translation>完成后弹出提示</translation>
    </message>
    <message>
        <source>Current version</source>
        <translation>当前版本</translation>
    </message>
    <message>
        <source>Latest version</source>
        <translation>最新版本</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>更新</translation>
    </message>
    <message>
        <source>Enbale auto update</source>
        <translation>启用自动更新</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Module %1 is invalid</source>
        <translation>模块 %1 无效</translation>
    </message>
    <message>
        <source>[%1] Module %2 is invalid</source>
        <translation>[%1] 模块 %2 无效</translation>
    </message>
    <message>
        <source>General</source>
        <translation>常规</translation>
    </message>
    <message>
        <source>Render</source>
        <translation>渲染</translation>
    </message>
    <message>
        <source>Reminder</source>
        <translation>提醒</translation>
    </message>
    <message>
        <source>VersionSetting</source>
        <translation>版本设置</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>浏览</translation>
    </message>
    <message>
        <source>Enable auto download</source>
        <translation>启用自动下载</translation>
    </message>
    <message>
        <source>Enable auto login</source>
        <translation>启用自动登录</translation>
    </message>
    <message>
        <source>Start with system</source>
        <translation>开机启动</translation>
    </message>
    <message>
        <source>Enbale auto update</source>
        <translation>启用自动更新</translation>
    </message>
    <message>
        <source>Enbale prerender</source>
        <translation>启用预渲染</translation>
    </message>
    <message>
        <source>Enbale set argument</source>
        <translation>启用参数设置</translation>
    </message>
    <message>
        <source>Enbale interruption when error occurs</source>
        <translation>出错时中断提交</translation>
    </message>
    <message>
        <source>Enbale render layer</source>
        <translation>启用渲染层</translation>
    </message>
    <message>
        <source>Enable upload failed files automatically</source>
        <translation>自动上传失败的文件</translation>
    </message>
    <message>
        <source>Upload scene file only</source>
        <translation>仅上传场景文件</translation>
    </message>
    <message>
        <source>Popup after finish</source>
        <translation>完成后弹出提示</translation>
    </message>
    <message>
        <source>Sound after finish</source>
        <translation>完成后播放提示音</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>更新</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Storage path of render output</source>
        <translation>渲染输出存储路径</translation>
    </message>
    <message>
        <source>Monitored path of scene file</source>
        <translation>场景文件监控路径</translation>
    </message>
    <message>
        <source>Node pool</source>
        <translation>节点池</translation>
    </message>
    <message>
        <source>Subtask by frame</source>
        <translation>按帧拆分子任务</translation>
    </message>
    <message>
        <source>Transfer Type</source>
        <translation>传输方式</translation>
    </message>
    <message>
        <source>Double click table&apos;s colum two to set installation path</source>
        <translation>双击表格第二列设置安装路径</translation>
    </message>
    <message>
        <source>Current version</source>
        <translation>当前版本</translation>
    </message>
    <message>
        <source>Latest version</source>
        <translation>最新版本</translation>
    </message>
    <message>
        <source>Software Version</source>
        <translation>软件版本</translation>
    </message>
    <message>
        <source>Installation Path</source>
        <translation>安装路径</translation>
    </message>
    <message>
        <source>Choose software installation path</source>
        <translation>选择软件安装路径</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Are you sure to quit and update?</source>
        <translation>确定要退出并更新吗？</translation>
    </message>
</context>
</TS>
