function window.fromGbk() { return "ЙњБъ"; }
order.push("gbk");
