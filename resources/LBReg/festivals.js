// Festivals of the Chinese calendar, shown by the perpetual-calendar page and by the status bar
// of the program, which reads the object below as JSON: keep it plain (keys and texts in double
// quotes, no comments or trailing commas inside the braces).
// "gregorian": by Gregorian month and day, "MMDD"; "lunar": by the lunar month-day text.
// 腊月廿九 is New Year's Eve in every year, also when the twelfth month has 30 days.
var FESTIVALS = {
    "gregorian": {
        "0101": "元旦",
        "0214": "情人节",
        "0308": "妇女节",
        "0312": "植树节",
        "0315": "权益日",
        "0401": "愚人节",
        "0405": "清明节",
        "0501": "劳动节",
        "0504": "青年节",
        "0512": "护士节",
        "0601": "儿童节",
        "0701": "建党节",
        "0801": "建军节",
        "0808": "父亲节",
        "0910": "教师节",
        "1001": "国庆节",
        "1006": "老人节",
        "1024": "联合国日",
        "1220": "澳门回归",
        "1225": "圣诞节"
    },
    "lunar": {
        "正月初一": "春节",
        "正月十五": "元宵节",
        "五月初五": "端午节",
        "七月初七": "七夕节",
        "七月十五": "中元节",
        "八月十五": "中秋节",
        "九月初九": "重阳节",
        "腊月初八": "腊八节",
        "腊月廿四": "小年",
        "腊月三十": "除夕",
        "腊月廿九": "除夕"
    }
};
