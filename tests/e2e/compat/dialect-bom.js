function window.fromBom() { return "带标记"; }
order.push("bom");
