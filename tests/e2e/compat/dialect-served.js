function window.fromServed() { return "ЙњБъ"; }
