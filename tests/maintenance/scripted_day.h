// A day of work on a site, as its tables stand at the end of it: tickets of the five kinds (one
// open, one completed and later deleted after a payment had settled part of it), payments with
// their lines (one voucher deleted with its line), a receipt, loans given and taken, a production
// record with lines in three units (one marked) - and the ledgers with the balances worked out by
// hand from the posting rules, written below as literal numbers so the check is independent of
// the code that computes them. Order control is on ([Misc] Order 1).
//
//   Stock  P001/W1  7849.50 - 500 - 2000 + 100 - 1.5 TON x 1000 = 3949.50
//          P001/W2  1000 in, reversed by the deletion            =    0.00
//          P002/W2  10 BAG x 50 + 4 BOX x 1 (rate 0)             =  504.00
//   ApAcc  F001     BALANCE 20000 + 1000 left by the deleted ticket - 3000 - 12150 (a ticket and an
//                   "OTH" line of 150) - (500 + 500) = 4850.00; BORROW -500 (deducted) + 2000 (lent)
//                   = 1500.00
//   ArAcc  C001     BALANCE 10000 - 725 - 10000 = -725.00
//          C002     BALANCE 200.00 (hire), BORROW 300.00 (borrowed)
//   OrAcc  SO1      WEIGHT 2000 - 100 = 1900, AMOUNT 14500 - 725 = 13775; SO2 untouched
#pragma once

#include "maintenance_fixture.h"

namespace mainttest {

inline void loadScriptedDay(Site& s)
{
    s.load("Unit", "CODE,NAME,RATE\nKG,กิโลกรัม,1\nTON,ตัน,1000\nBAG,กระสอบ,50\nBOX,กล่อง,0\n");
    const char* header = "TICKET,STAT,TRUCK,COMPANY,PRODUCT,WHOUSE,UNIT,DAYIN,TMIN,QTY,AMOUNT,CASH,DRCR,CLEAR,ACCOUNT,REMARK4\n";
    s.load("Wdata1", std::string(header) +
                         "000001,2,70-1234,F001,P001,W1,KG,20261205,08:00:00,7849.50,56908.88,36908.88,20000,12000,,\n"
                         "000002,1,81-5678,F001,P001,W1,KG,20261205,09:00:00,0,0,0,0,0,,\n"
                         "000003,2,70-1234,F001,P001,W2,KG,20261205,10:00:00,1000,7250,2250,5000,1000,,\n");
    s.mark(s.pathOf("Wdata1"), "TICKET", "000003");
    s.load("Wdata2", std::string(header) + "000001,2,70-1234,F001,P001,W1,KG,20261205,11:00:00,500,3625,625,3000,0,,\n");
    s.load("Wdata3", std::string(header) +
                         "000001,2,70-1234,C001,P001,W1,KG,20261205,12:00:00,2000,14500,4500,10000,10000,1,SO1\n");
    s.load("Wdata4", std::string(header) + "000001,2,81-5678,C001,P001,W1,KG,20261205,13:00:00,100,725,0,725,0,,SO1\n");
    s.load("Wdata5", std::string(header) + "000001,2,81-5678,C002,,,,20261205,14:00:00,0,200,0,200,0,,\n");

    const char* vouchers = "TICKET,DATE,COMPANY,AMOUNT,CASH,DRCR,CHEQUE,INDENT\n";
    s.load("Money1", std::string(vouchers) +
                         "000001,20261205,F001,12150,12150,0,0,I1\n"
                         "000002,20261205,F001,1000,500,500,0,I2\n"
                         "000003,20261205,F001,0,700,0,0,I3\n");
    s.mark(s.pathOf("Money1"), "TICKET", "000003");
    s.load("Money2", std::string(vouchers) + "000001,20261205,C001,10000,0,0,10000,I4\n");
    s.load("Money3", std::string(vouchers) + "000001,20261205,F001,2000,2000,0,0,\n");
    s.load("Money4", std::string(vouchers) + "000001,20261205,C002,300,300,0,0,\n");
    const char* lines = "INDENT,RECORD,DOC_NO,DOC_DATE,COMPANY,TYPE,TICKET,DATE,TIME,AMOUNT\n";
    s.load("Detail1", std::string(lines) +
                          "I1,R1,000001,20261205,F001,REC,000001,20261205,08:00:00,12000\n"
                          "I2,R2,000002,20261205,F001,REC,000003,20261205,10:00:00,1000\n"
                          "I3,R3,000003,20261205,F001,REC,000001,20261205,08:00:00,700\n"
                          "I1,R4,000001,20261205,F001,OTH,X1,20261205,08:30:00,150\n");
    s.mark(s.pathOf("Detail1"), "RECORD", "R3");
    s.load("Detail2", std::string(lines) + "I4,R5,000001,20261205,C001,INV,000001,20261205,12:00:00,10000\n");
    s.load("Stock1", "TICKET,DATE,REMARK1,INDENT\n000001,20261205,ผลิตข้าวสาร,I5\n");
    s.load("Detail3",
           "INDENT,RECORD,DOC_NO,DOC_DATE,CODE,WHOUSE,UNIT,QTY\n"
           "I5,R6,000001,20261205,P002,W2,BAG,10\n"
           "I5,R7,000001,20261205,P001,W1,TON,-1.5\n"
           "I5,R8,000001,20261205,P002,W2,BOX,4\n"
           "I5,R9,000001,20261205,P002,W2,BAG,100\n");
    s.mark(s.pathOf("Detail3"), "RECORD", "R9");

    s.load("Stock", "CODE,WHOUSE,BALANCE,BEGIN\nP001,W1,3949.50,100\nP001,W2,0,0\nP002,W2,504,0\n");
    s.load("ApAcc", "CODE,BALANCE,BORROW,BEGIN,BBEGIN\nF001,4850,1500,250,0\n");
    s.load("ArAcc", "CODE,BALANCE,BORROW\nC001,-725,0\nC002,200,300\n");
    s.load("OrAcc",
           "CODE,COMPANY,PRODUCT,DATE,PRICE,ORWEIGHT,ORAMOUNT,WEIGHT,AMOUNT\n"
           "SO1,C001,P001,20261201,7.25,10000,72500,1900,13775\n"
           "SO2,C001,P001,20261202,7.50,5000,37500,0,0\n");
}

}  // namespace mainttest
