function window.fromFile() { return "文件"; }
order.push("file");
