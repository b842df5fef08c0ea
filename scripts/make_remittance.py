#!/usr/bin/env python3
"""Writes a realistic SEPA direct-debit remittance (pain.008.001.02) for demos, tests and benchmarks.

    make_remittance.py FILE --msg-id PRE20261207001 [--transactions N | --size BYTES] [--seed S]
"""
import argparse
import random

CREDITORS = ["Velmor Soft, S.L.", "Distribuciones Peñalara, S.A.", "Talleres Ortiz e Hijos, S.L."]
DEBTORS = ["María José Núñez Castaño", "Comercial Ibáñez, S.L.", "José Ángel Muñoz Pérez",
           "Ferretería La Estrella, C.B.", "Lucía Fernández Gómez", "Panadería Ávila, S.L.",
           "Íñigo Goikoetxea Etxeberria", "Clínica Dental Sonrisa, S.L.P.", "Begoña Sáez Jiménez"]
BICS = ["CAIXESBBXXX", "BBVAESMMXXX", "BSCHESMMXXX", "CAGLESMMXXX", "BSABESBBXXX", "UCJAES2MXXX"]


def spanish_iban(rng):
    bank_account = "".join(str(rng.randrange(10)) for _ in range(20))
    # ISO 13616: move "ES00" to the end, letters as numbers (E=14, S=28), 98 minus the remainder.
    check = 98 - int(bank_account + "142800") % 97
    return f"ES{check:02d}{bank_account}"


def transaction(rng, index, msg_id):
    amount = rng.randrange(500, 250000) / 100
    debtor = rng.choice(DEBTORS)
    return amount, f"""      <DrctDbtTxInf>\r
        <PmtId>\r
          <EndToEndId>{msg_id}-{index:06d}</EndToEndId>\r
        </PmtId>\r
        <InstdAmt Ccy="EUR">{amount:.2f}</InstdAmt>\r
        <DrctDbtTx>\r
          <MndtRltdInf>\r
            <MndtId>MND{rng.randrange(10**9):09d}</MndtId>\r
            <DtOfSgntr>20{rng.randrange(15, 26)}-{rng.randrange(1, 13):02d}-{rng.randrange(1, 29):02d}</DtOfSgntr>\r
          </MndtRltdInf>\r
        </DrctDbtTx>\r
        <DbtrAgt>\r
          <FinInstnId>\r
            <BIC>{rng.choice(BICS)}</BIC>\r
          </FinInstnId>\r
        </DbtrAgt>\r
        <Dbtr>\r
          <Nm>{debtor}</Nm>\r
        </Dbtr>\r
        <DbtrAcct>\r
          <Id>\r
            <IBAN>{spanish_iban(rng)}</IBAN>\r
          </Id>\r
        </DbtrAcct>\r
        <RmtInf>\r
          <Ustrd>Factura {rng.randrange(2026000, 2026999)} - cuota de servicio</Ustrd>\r
        </RmtInf>\r
      </DrctDbtTxInf>\r
"""


def remittance(msg_id, transactions, rng):
    creditor = rng.choice(CREDITORS)
    creditor_id = "ES12000B12345678"
    body, total = [], 0.0
    for index in range(transactions):
        amount, text = transaction(rng, index + 1, msg_id)
        total += amount
        body.append(text)
    head = f"""<?xml version="1.0" encoding="UTF-8"?>\r
<Document xmlns="urn:iso:std:iso:20022:tech:xsd:pain.008.001.02" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">\r
  <CstmrDrctDbtInitn>\r
    <GrpHdr>\r
      <MsgId>{msg_id}</MsgId>\r
      <CreDtTm>2026-12-07T09:30:00</CreDtTm>\r
      <NbOfTxs>{transactions}</NbOfTxs>\r
      <CtrlSum>{total:.2f}</CtrlSum>\r
      <InitgPty>\r
        <Nm>{creditor}</Nm>\r
        <Id>\r
          <OrgId>\r
            <Othr>\r
              <Id>{creditor_id}</Id>\r
            </Othr>\r
          </OrgId>\r
        </Id>\r
      </InitgPty>\r
    </GrpHdr>\r
    <PmtInf>\r
      <PmtInfId>{msg_id}-01</PmtInfId>\r
      <PmtMtd>DD</PmtMtd>\r
      <BtchBookg>true</BtchBookg>\r
      <NbOfTxs>{transactions}</NbOfTxs>\r
      <CtrlSum>{total:.2f}</CtrlSum>\r
      <PmtTpInf>\r
        <SvcLvl>\r
          <Cd>SEPA</Cd>\r
        </SvcLvl>\r
        <LclInstrm>\r
          <Cd>CORE</Cd>\r
        </LclInstrm>\r
        <SeqTp>RCUR</SeqTp>\r
      </PmtTpInf>\r
      <ReqdColltnDt>2026-12-15</ReqdColltnDt>\r
      <Cdtr>\r
        <Nm>{creditor}</Nm>\r
        <PstlAdr>\r
          <Ctry>ES</Ctry>\r
          <AdrLine>Calle Mayor 12, 28013 Madrid</AdrLine>\r
        </PstlAdr>\r
      </Cdtr>\r
      <CdtrAcct>\r
        <Id>\r
          <IBAN>{spanish_iban(rng)}</IBAN>\r
        </Id>\r
      </CdtrAcct>\r
      <CdtrAgt>\r
        <FinInstnId>\r
          <BIC>{rng.choice(BICS)}</BIC>\r
        </FinInstnId>\r
      </CdtrAgt>\r
      <ChrgBr>SLEV</ChrgBr>\r
      <CdtrSchmeId>\r
        <Id>\r
          <PrvtId>\r
            <Othr>\r
              <Id>{creditor_id}</Id>\r
              <SchmeNm>\r
                <Prtry>SEPA</Prtry>\r
              </SchmeNm>\r
            </Othr>\r
          </PrvtId>\r
        </Id>\r
      </CdtrSchmeId>\r
"""
    tail = "    </PmtInf>\r\n  </CstmrDrctDbtInitn>\r\n</Document>"
    return head + "".join(body) + tail


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file")
    parser.add_argument("--msg-id", required=True)
    parser.add_argument("--transactions", type=int, default=12)
    parser.add_argument("--size", type=int, help="approximate size in bytes; overrides --transactions")
    parser.add_argument("--seed", type=int, default=2026)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    transactions = args.transactions
    if args.size:
        one = len(transaction(random.Random(0), 1, args.msg_id)[1].encode("utf-8"))
        transactions = max(1, args.size // one)
    with open(args.file, "wb") as out:
        out.write(remittance(args.msg_id, transactions, rng).encode("utf-8"))


if __name__ == "__main__":
    main()
