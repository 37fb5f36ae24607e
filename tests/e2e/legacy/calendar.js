// 日历控件 1.2: a date picker written for the old browser only, as such libraries were. Its
// handlers are declared the old engine's way; WebKit stops at the first of them.
var Calendar = { months: "一月,二月,三月,四月,五月,六月,七月,八月,九月,十月,十一月,十二月".split(","), shown: false };
var calendarTip = "用法：function document.onclick() 之后关闭"; /* function window.onscroll() { } */

function Calendar.show(field) {
  var box = document.getElementById("calendar");
  box.innerHTML = Calendar.months[new Date(2026, 4, 1).getMonth()] + " " + field.value;
  box.style.display = "block";
  Calendar.shown = /^\d{4}-\d\d-\d\d$/.test(field.value) ? true : "}";
}

// A click anywhere else closes the picker.
function document.onclick(e) {
  if (window.event && window.event.srcElement.id == "picked") return;
  document.getElementById("calendar").style.display = "none";
  Calendar.shown = false;
}
document.write("<div id=\"calendar\" style=\"display:none\"></div>");
