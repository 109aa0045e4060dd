// The demo hotel: small, but enough for every operation to answer something.
#include <utility>

#include "automation/error.h"
#include "sdk/database.h"
#include "sdk/records.h"
#include "sdk/store.h"

namespace halvora::sdk {

namespace {

struct DemoGuest {
  int32_t number;
  const char16_t* name;
  double room;
  const char16_t* status;
  const char16_t* city;
  double rate;
  double arrival;  // day serials
  double departure;
};

// Early January 2025; one guest has already left.
constexpr DemoGuest kGuests[] = {
    {1001, u"ANA LOPEZ GARCIA", 101, u"A", u"GUADALAJARA", 1250.5, 45660, 45664},
    {1002, u"JOHN O'BRIEN", 102, u"A", u"DUBLIN", 1480, 45661, 45663},
    {1003, u"MARIA JOSE PEREZ", 201, u"A", u"MONTERREY", 990.75, 45659, 45666},
    {1004, u"KLAUS MULLER", 202, u"A", u"MUNICH", 1480, 45662, 45665},
    {1000, u"LUIS HERNANDEZ", 103, u"S", u"PUEBLA", 1100, 45655, 45658},
    {1005, u"JOSÉ ÑÚÑEZ", 104, u"S", u"MÉRIDA", 990.75, 45650, 45653},
};

struct DemoCharge {
  double room;
  double guest;
  double amount;
  const char16_t* code;
  const char16_t* description;
  const char16_t* group;
};

constexpr DemoCharge kCharges[] = {
    {101, 1001, 1250.5, u"HAB", u"Hospedaje", u""},
    {101, 1001, 185.25, u"RES", u"Restaurante", u""},
    {102, 1002, 1480, u"HAB", u"Hospedaje", u""},
    {201, 1003, 320, u"BAR", u"Bar", u"GRUPO1"},
    {202, 1004, 75.5, u"LAV", u"Lavanderia", u""},
};

struct DemoMaster {
  int32_t number;
  double guest;
  double room;
  double visits;
  const char16_t* city;
  double nights;
  const char16_t* name;
  const char16_t* email;
};

constexpr DemoMaster kMasters[] = {
    {1, 1001, 101, 3, u"GUADALAJARA", 9, u"ANA LOPEZ GARCIA", u"ana.lopez@correo.mx"},
    {2, 1002, 102, 1, u"DUBLIN", 2, u"JOHN O'BRIEN", u"jobrien@mail.ie"},
    {3, 1003, 201, 5, u"MONTERREY", 17, u"MARIA JOSE PEREZ", u"mjperez@correo.mx"},
    {4, 1004, 202, 1, u"MUNICH", 3, u"KLAUS MULLER", u"k.mueller@post.de"},
};

struct DemoCoupon {
  int32_t number;
  double guest;
  double room;
  double amount;
  double type;
  const char16_t* status;
  double date;
};

constexpr DemoCoupon kCoupons[] = {
    {1, 1001, 101, 150, 1, u"A", 45660},
    {2, 1003, 201, 99, 2, u"A", 45659},
    {3, 1003, 201, 250, 3, u"U", 45660},
};

struct DemoCouponType {
  int32_t number;
  const char16_t* key;
  const char16_t* name;
  double value;
};

constexpr DemoCouponType kCouponTypes[] = {
    {1, u"DES", u"DESAYUNO BUFFET", 150},
    {2, u"SPA", u"MASAJE EN SPA", 99},
    {3, u"CEN", u"CENA PARA DOS", 250},
};

struct DemoConfigTable {
  int32_t number;
  const char16_t* key;
  const char16_t* type;
  const char16_t* description;
};

constexpr DemoConfigTable kConfigTables[] = {
    {1, u"TH", u"HABITACION", u"Tipos de habitacion"},
    {2, u"FP", u"PAGO", u"Formas de pago"},
    {3, u"EH", u"ESTADO", u"Estados de habitacion"},
};

struct DemoState {
  int32_t number;
  const char16_t* type;
  const char16_t* key;
  const char16_t* description;
};

constexpr DemoState kStates[] = {
    {1, u"ESTADO", u"L", u"LIMPIA"},
    {2, u"ESTADO", u"S", u"SUCIA"},
    {3, u"ESTADO", u"B", u"BLOQUEADA"},
    {4, u"PAGO", u"EF", u"EFECTIVO"},
    {5, u"PAGO", u"TC", u"TARJETA DE CREDITO"},
};

struct DemoCommercial {
  int32_t number;
  double guest;
  const char16_t* status;
  const char16_t* company;
  const char16_t* tax_id;
  const char16_t* contact;
  double credit_limit;
  double discount;
};

constexpr DemoCommercial kCommercial[] = {
    {1, 1001, u"A", u"TEQUILERA DEL VALLE SA DE CV", u"TVA950612QW3", u"ANA LOPEZ GARCIA", 50000,
     10},
    {2, 1001, u"A", u"CONSULTORES LOPEZ SC", u"CLO080315KL9", u"ANA LOPEZ GARCIA", 20000, 5},
    {3, 1003, u"A", u"ACEROS DEL NORTE SA", u"ANO010101AB1", u"MARIA JOSE PEREZ", 75000, 12.5},
};

// Clears a record table and fills it from the demo rows, one record each.
template <class T, std::size_t N, class F>
void fill_table(Database& db, const RecordLayout& layout, const T (&rows)[N], F&& fill) {
  db.execute(u"DELETE FROM " + std::u16string(layout.table));
  for (const T& row : rows) {
    Record r(layout);
    fill(r, row);
    insert_record(db, r);
  }
}

Variant text(const char16_t* value) {
  return Variant(std::u16string(value));
}

// Sets a field of a layout named by position ("Campo" + three digits).
void set_named(Record& r, std::u16string_view name, const Variant& value) {
  std::size_t p = r.find(name);
  r.set(p, value);
}

void load_later_tables(Database& db) {
  // The configuration: one row.
  db.execute(u"DELETE FROM " + std::u16string(config_layout().table));
  {
    Record r(config_layout());
    set_named(r, u"Campo000", Variant(int32_t{1}));
    set_named(r, u"Campo068", text(u"HOTEL CASA DEL LAGO"));
    set_named(r, u"Campo127", text(u"AV. DEL LAGO 120"));
    set_named(r, u"Campo128", text(u"CHAPALA, JALISCO"));
    set_named(r, u"Campo067", text(u"HCL900101AA1"));
    set_named(r, u"Campo029", Variant(16.0));
    set_named(r, u"Campo183", Variant(true));
    set_named(r, u"Campo165", text(u"MXN"));
    insert_record(db, r);
  }
  // The hotel table: one row.
  db.execute(u"DELETE FROM " + std::u16string(hotel_table_layout().table));
  {
    Record r(hotel_table_layout());
    set_named(r, u"Campo000", Variant(int32_t{1}));
    set_named(r, u"Campo033", Variant(10.0));  // rooms
    set_named(r, u"Campo047", Variant(4.0));   // occupied
    set_named(r, u"Campo028", text(u"CASA DEL LAGO"));
    set_named(r, u"Campo037", Variant(true));
    set_named(r, u"Campo001", Variant(Date{45662}));  // the audit date
    set_named(r, u"Campo018", Variant(Date{45658}));
    set_named(r, u"Campo019", Variant(Date{45292}));
    set_named(r, u"Campo020", Variant(Date{45657}));
    set_named(r, u"Campo002", text(u"CHAPALA"));
    insert_record(db, r);
  }
  fill_table(db, guest_master_layout(), kMasters, [](Record& r, const DemoMaster& d) {
    r.set(master::kNumber, Variant(d.number));
    r.set(master::kGuestNumber, Variant(d.guest));
    r.set(2, Variant(d.room));
    r.set(3, Variant(d.visits));
    r.set(4, text(d.city));
    r.set(5, Variant(d.nights));
    r.set(master::kName, text(d.name));
    r.set(7, text(d.email));
  });
  fill_table(db, coupon_layout(), kCoupons, [](Record& r, const DemoCoupon& d) {
    r.set(coupon::kNumber, Variant(d.number));
    r.set(coupon::kGuest, Variant(d.guest));
    r.set(coupon::kRoom, Variant(d.room));
    r.set(coupon::kAmount, Variant(d.amount));
    r.set(coupon::kType, Variant(d.type));
    r.set(coupon::kStatus, text(d.status));
    r.set(coupon::kDate, Variant(Date{d.date}));
  });
  fill_table(db, coupon_type_layout(), kCouponTypes, [](Record& r, const DemoCouponType& d) {
    r.set(coupon_type::kNumber, Variant(d.number));
    r.set(coupon_type::kKey, text(d.key));
    r.set(coupon_type::kName, text(d.name));
    r.set(coupon_type::kValue, Variant(d.value));
  });
  fill_table(db, config_table_layout(), kConfigTables, [](Record& r, const DemoConfigTable& d) {
    r.set(config_table::kNumber, Variant(d.number));
    r.set(config_table::kKey, text(d.key));
    r.set(config_table::kType, text(d.type));
    r.set(config_table::kDescription, text(d.description));
    set_named(r, u"Campo013", Variant(d.number * 10));  // the order in menus
  });
  fill_table(db, state_table_layout(), kStates, [](Record& r, const DemoState& d) {
    r.set(state_table::kNumber, Variant(d.number));
    r.set(state_table::kType, text(d.type));
    r.set(state_table::kKey, text(d.key));
    r.set(state_table::kDescription, text(d.description));
  });
  fill_table(db, commercial_info_layout(), kCommercial, [](Record& r, const DemoCommercial& d) {
    r.set(commercial::kNumber, Variant(d.number));
    r.set(commercial::kGuest, Variant(d.guest));
    r.set(commercial::kStatus, text(d.status));
    r.set(commercial::kCompany, text(d.company));
    r.set(commercial::kTaxId, text(d.tax_id));
    r.set(commercial::kContact, text(d.contact));
    r.set(commercial::kCreditLimit, Variant(d.credit_limit));
    r.set(commercial::kDiscount, Variant(d.discount));
    r.set(commercial::kActive, Variant(true));
  });
}

}  // namespace

void load_demo(Database& db, bool replace) {
  in_transaction(db, [&] {
    // Inside the transaction: tables made for the demo go again with it when it fails.
    create_schema(db);
    if (!replace && holds_hotel_data(db))
      throw Error(err::kInvalidCall, u"The database already holds hotel data", kSdkSource);
    db.execute(u"DELETE FROM folios");
    db.execute(u"DELETE FROM habitaciones");
    db.execute(u"DELETE FROM " + std::u16string(guest_layout().table));
    for (int32_t floor = 1; floor <= 2; ++floor) {
      for (int32_t n = 1; n <= 5; ++n) {
        const Variant room[] = {Variant(floor * 100 + n), Variant(n <= 2 ? u"SENCILLA" : u"DOBLE"),
                                Variant(u"LIMPIA")};
        db.execute(u"INSERT INTO habitaciones (numero, tipo, estado) VALUES (?, ?, ?)", room);
      }
    }
    const RecordLayout& g = guest_layout();
    for (const DemoGuest& d : kGuests) {
      Record r(g);
      r.set(0, Variant(d.number));
      r.set(guest::kName, Variant(std::u16string(d.name)));
      r.set(guest::kStatus, Variant(std::u16string(d.status)));
      r.set(r.find(u"CIUDADDA"), Variant(std::u16string(d.city)));
      r.set(r.find(u"PAISDA"), Variant(std::u16string(u"MEXICO")));
      r.set(r.find(u"numresda"), Variant(static_cast<double>(d.number + 5000)));
      r.set(guest::kRoom, Variant(d.room));
      r.set(guest::kNumber, Variant(static_cast<double>(d.number)));
      r.set(r.find(u"NUMCUADA"), Variant(1.0));
      r.set(r.find(u"NUMPERDA"), Variant(2.0));
      r.set(r.find(u"TARIFADA"), Variant(d.rate));
      r.set(r.find(u"TPOCAM1DA"), Variant(1.0));
      r.set(r.find(u"FORMPADA"), Variant(std::u16string(u"EFECTIVO")));
      r.set(r.find(u"PLANVIDA"), Variant(std::u16string(u"EP")));
      r.set(r.find(u"FHARESDA"), Variant(Date{d.arrival - 10}));
      r.set(r.find(u"FHAENTDA"), Variant(Date{d.arrival}));
      r.set(r.find(u"FHASALDA"), Variant(Date{d.departure}));
      r.set(r.find(u"FHAEXTDA"), Variant(Date{d.departure}));
      r.set(r.find(u"HORAENTRAD"), Variant(std::u16string(u"15:00")));
      r.set(r.find(u"HORASALIDA"), Variant(std::u16string(u"12:00")));
      insert_record(db, r);
    }
    load_later_tables(db);
    db.execute(u"DELETE FROM " + std::u16string(charge_layout().table));
    for (const DemoCharge& c : kCharges) {
      Record r(charge_layout());
      r.set(charge::kRoom, Variant(c.room));
      r.set(charge::kGuest, Variant(c.guest));
      r.set(charge::kAmount, Variant(c.amount));
      r.set(charge::kDate, Variant(Date{45662}));
      r.set(charge::kConcept, Variant(std::u16string(c.code)));
      r.set(charge::kDescription, Variant(std::u16string(c.description)));
      r.set(charge::kGroup, Variant(std::u16string(c.group)));
      store_charge(db, r);
    }
  });
}

}  // namespace halvora::sdk
